#pragma once

// Entry of the program: reads the start options, then runs the batch
// operations without any window, or starts the editor.
int RunPhraseDesk(int argc, char* argv[]);
