#include <windows.h>

#include "../dlg/app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return App::Run();
}
