// Program start: the application, the main window (whose creation may end
// the program), then the message loop.
#include <QApplication>

#include "app/Program.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TProgram program;
    if (!program.Start())
        return 1;
    program.Form().showMaximized();
    return QApplication::exec();
}
