// zymclient: the desktop client of the ZYM object storage service.
#include "shell/app/application.h"

int main(int argc, char** argv)
{
    return zym::shell::RunApplication(argc, argv);
}
