#pragma once

// Entry of the program: batch mode without windows, or the editor.
int RunPhraseDesk(int argc, char* argv[]);
