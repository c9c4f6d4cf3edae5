// Program entry of the restore tool.
#include "app/program.h"

int main(int argc, char** argv)
{
    return RunVarnel(argc, argv);
}
