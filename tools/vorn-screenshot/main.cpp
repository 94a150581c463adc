// Starts the utility as the program does, and once the main window has done
// its first activation saves it as DIR/main.png, then opens the About
// window and saves it as DIR/about.png, and ends.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "app/Program.h"

namespace {

bool Save(QWidget* w, const QString& file)
{
    // The window as the screen shows it, frame and menu included when a
    // window manager draws them; the widget alone otherwise.
    QPixmap shot = w->grab();
    if (!shot.save(file)) {
        std::fprintf(stderr, "vorn-screenshot: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("vorn-screenshot: wrote %s (%dx%d)\n", qPrintable(file), shot.width(), shot.height());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorn-screenshot DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    TProgram program;
    if (!program.Start())
        return 1;
    TFormBackup& form = program.Form();
    form.showMaximized();
    // Xvfb has no window manager to carry out "maximized": fill the screen
    // as one would.
    if (QScreen* screen = form.screen())
        form.setGeometry(screen->availableGeometry());

    int result = 1;
    // Poll until the first activation has filled the window, then shoot.
    auto* timer = new QTimer(&app);
    int waited = 0;
    QObject::connect(timer, &QTimer::timeout, [&] {
        waited += 100;
        if (form.FirstActivation && waited < 10000)
            return;
        timer->stop();
        QApplication::processEvents();
        bool ok = Save(&form, dir + "/main.png");
        // Owned by the main window, as a shown About window is.
        auto* about = new TFormAbout(&form, program.About());
        about->show();
        QApplication::processEvents();
        QTimer::singleShot(300, [&, about, ok]() mutable {
            ok = Save(about, dir + "/about.png") && ok;
            result = ok && !form.FirstActivation ? 0 : 1;
            QApplication::quit();
        });
    });
    timer->start(100);
    QApplication::exec();
    return result;
}
