// Qt: the Linux program's entry point.
#include "app/qt/qt_program.h"

int main(int argc, char** argv) {
    return runQtProgram(argc, argv, {});
}
