#include "crop/CropSave.h"

#include "common/FileBytes.h"
#include "common/PathText.h"
#include "common/TimeText.h"
#include "concurrency/MessageWaits.h"
#include "crop/CropView.h"
#include "crop/LogPanel.h"
#include "imaging/ImageProbe.h"
#include "ui/ControlText.h"
#include "ui/DialogSeam.h"
#include "ui/MessageBoxSeam.h"
#include "ui/PageHost.h"

#include <windows.h>

#include <vector>

namespace {
// A source that will not go (read-only, held open by another program) is given up after this.
constexpr DWORD kDeletionPatienceMs = 2000;

std::wstring Wide(const std::string& gbk) {
    const int units = MultiByteToWideChar(936, 0, gbk.c_str(), -1, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(936, 0, gbk.c_str(), -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

// The path made whole: "..", "." and doubled separators resolved, a short name made long.
std::wstring Normalised(const std::string& gbk) {
    const std::wstring path = Wide(gbk);
    if (path.empty()) return path;
    std::vector<wchar_t> full(MAX_PATH);
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    std::wstring result(full.data(), length);
    std::vector<wchar_t> longer(result.size() + MAX_PATH);
    const DWORD longLength = GetLongPathNameW(result.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (longLength > 0 && longLength < longer.size()) result.assign(longer.data(), longLength);
    return result;
}

bool SameFileOnDisk(const std::string& a, const std::string& b) {
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(file, &info) != FALSE;
        CloseHandle(file);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first = {}, second = {};
    return identity(a, first) && identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool FileIsThere(const std::string& path) { return FileExists(path); }

void Log(PageHost& host, const char* text) { AppendLogLine(host.Control(列表框_日志), FormatNow() + text); }
}  // namespace

std::string FirstNamePart(const std::string& name) {
    // "." is never the second byte of a GBK character, so a plain search is exact.
    return name.substr(0, name.find('.'));
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const std::wstring left = Normalised(a), right = Normalised(b);
    if (CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(), static_cast<int>(right.size()),
                             TRUE) == CSTR_EQUAL)
        return true;
    return SameFileOnDisk(a, b);
}

void ChooseCropFolder(PageHost& host) {
    const std::string folder = BrowseForFolder("选择裁剪图片存放路径");
    if (!folder.empty()) SetWindowTextA(host.Control(编辑框_裁剪图片存放路径), folder.c_str());
}

void SaveCrop(PageHost& host) {
    const std::string sourcePath = WindowText(host.Control(编辑框_裁剪图片原路径));
    const std::string name = WindowText(host.Control(编辑框_裁剪名));
    const std::string folder = WindowText(host.Control(编辑框_裁剪图片存放路径));
    ClearLog(host.Control(列表框_日志));
    const std::string firstPart = FirstNamePart(name);
    if (folder.empty()) {
        ShowInfoMessage("请选择存放路径");
        return;
    }

    HWND viewWindow = host.Control(动画框1);
    CropView* view = CropView::FromWindow(viewWindow);
    RECT client = {};
    GetClientRect(viewWindow, &client);
    const std::string picture =
        view ? view->RenderRegion(0, 0, client.right, client.bottom, view->BackgroundColor()) : std::string();
    // A folder that already ends in its separator (a drive's root) takes no second one.
    const std::string target = folder + (EndsWithBackslash(folder) ? "" : "\\") + firstPart + ".jpg";
    if (picture.empty() || !WriteWholeFile(target, picture)) {
        Log(host, " 保存图片失败");
        ShowInfoMessage("保存失败：" + target);
        return;
    }
    Log(host, " 修改图片成功");

    if (!IsChecked(host.Control(选择框_删除原路径图片))) {
        ShowInfoMessage("保存成功");
        return;
    }
    if (sourcePath.empty()) {
        ShowInfoMessage("没有删除路径");
        return;
    }
    // The crop was written over its own source: deleting the source would delete the crop.
    if (SamePath(sourcePath, target)) {
        ShowInfoMessage("保存成功");
        return;
    }
    if (!FileIsThere(sourcePath)) {
        ShowInfoMessage("文件不存在，删除失败");
        return;
    }
    const DWORD start = GetTickCount();
    while (FileIsThere(sourcePath)) {
        DeleteFileA(sourcePath.c_str());
        TimedMessageWait(5);
        if (host.Closing()) return;
        if (FileIsThere(sourcePath) && GetTickCount() - start >= kDeletionPatienceMs) {
            Log(host, " 文件删除失败");
            ShowInfoMessage("文件删除失败");
            return;
        }
    }
    Log(host, " 文件已删除");
    ShowInfoMessage("文件已删除");
}

void WireCropSave(PageHost& host) {
    PageHost* h = &host;
    host.SetCommandHandler(按钮_存放路径, [h] { ChooseCropFolder(*h); });
    host.SetCommandHandler(按钮_裁剪图片, [h] { SaveCrop(*h); });
}
