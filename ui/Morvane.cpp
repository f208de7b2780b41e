// The program entry: the application's title, the main window, the message loop.

#include "Unit1.h"
#include "WatchMode.h"

#include "core/system/AsciiCase.h"
#include "core/system/ProgramArguments.h"

#include <ole2.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The shortcut files of the startup folders are read through COM; the
    // HTML panes need OLE.
    HRESULT ole = OleInitialize(nullptr);
    InitMorvaneControls();
    const std::vector<std::string> arguments = ProgramArguments(__argc, __argv);
    std::string selected; // "/select TITLE": the entry to show
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (asciiEqualNoCase(arguments[i], "/watch")) {
            const int watched = RunWatchMode();
            if (SUCCEEDED(ole))
                OleUninitialize();
            return watched;
        }
        if (asciiEqualNoCase(arguments[i], "/select") && i + 1 < arguments.size())
            selected = arguments[++i];
    }
    int exitCode = 0;
    {
        TfrmMorvane form;
        form.QuitOnDestroy = true;
        if (!form.Create()) {
            MessageBoxA(nullptr, "The main window could not be created.", ApplicationTitle,
                        MB_OK | MB_ICONERROR);
            exitCode = 1;
        } else {
            form.Show(showCommand);
            if (!selected.empty())
                form.SelectEntryTitled(selected);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                // Tab and the arrow keys move between the tree, the list and
                // the tool bar buttons as in a dialog.
                HWND main = form.Handle();
                if (form.PreTranslateMessage(msg))
                    continue;
                if (main && IsDialogMessageA(main, &msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return exitCode;
}
