#include "CMyOrvaneDatabaseApp.h"
#include "Conversion.h"

int main(int argc, char** argv) {
    // A conversion shows no window: it needs no display, and runs beside the program.
    if (conversion::isAsked(argc, argv))
        return conversion::run(argc, argv);
    CMyOrvaneDatabaseApp app(argc, argv);
    if (!app.InitInstance())
        return app.exitCode();
    return app.exec();
}
