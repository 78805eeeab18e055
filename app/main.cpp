#include "CMorvelApplication.h"

int main(int argc, char* argv[])
{
    CMorvelApplication app(argc, argv, QStringLiteral("LUMO"));
    return app.Run();
}
