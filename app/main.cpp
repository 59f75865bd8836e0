#include "CMyOrvaneDatabaseApp.h"

int main(int argc, char** argv) {
    CMyOrvaneDatabaseApp app(argc, argv);
    if (!app.InitInstance())
        return app.exitCode();
    return app.exec();
}
