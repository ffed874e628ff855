// The program entry: the start switch, the application title, the main window and the message loop.
#include <windows.h>

#include "AppSettings.h"
#include "Forms.h"
#include "ThreadStack.h"
#include "Unit1.h"

using namespace skyloom;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The main thread too starts with a megabyte of touched stack under Wine; it keeps what it goes on to use.
    ReleaseUnusedStack();
    // "/tray" (exactly) starts hidden in the notification area: the window is created but not shown.
    if (IsTraySwitch(FirstArgument(GetCommandLineA())))
        Application.ShowMainForm = false;
    Application.Initialize();
    // Before the main window: the single-instance guard builds its names from the title.
    Application.SetTitle("Skyloom");
    Application.CreateForm(Form1);
    // The main window exists from now on, shown or not: the tray icon, the single-instance guard and message boxes
    // of a hidden start all need it.
    Form1->HandleNeeded();
    Application.Run();
    Application.Shutdown();
    return 0;
}
