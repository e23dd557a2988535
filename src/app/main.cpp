#include "app/CommandLine.h"

int main(int argc, char* argv[])
{
    return RunPhraseDesk(argc, argv);
}
