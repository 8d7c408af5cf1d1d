#include "app/Application.h"

#include "app/MainWindow.h"
#include "concurrency/MessageWaits.h"
#include "imaging/ImageProbe.h"
#include "verify/FolderScan.h"

#include <ole2.h>

void CreateGlobals() { MakeProcessObjects(); }

void ReleaseGlobals() {
    // A worker cut short by the close may still be inside a probe: then GDI+ stays started and
    // the end of the process takes it.
    if (ReleaseProcessObjects()) ShutDownImageProbes();
    scanFolder.clear();
    scanFolder.shrink_to_fit();
}

int RunMessageLoop() {
    MSG message;
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) return 1;
        if (PreTranslateMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunApplication(HINSTANCE instance, int showCommand) {
    CreateGlobals();
    // The shell's folder browser and drag and drop need OLE on the window thread.
    const HRESULT ole = OleInitialize(nullptr);
    int exitCode = 1;
    if (MainWindow::Create(instance, showCommand) != nullptr) exitCode = RunMessageLoop();
    ReleaseGlobals();
    if (SUCCEEDED(ole)) OleUninitialize();
    return exitCode;
}
