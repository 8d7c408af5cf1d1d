#pragma once
#include <functional>
#include <string>

class PageHost;

// The failure list "错误名单.txt". Window thread only.

// "导出失败名单": writes one "路径 >原因" line ending in CR LF per failed row, in grid order, as
// GBK without a byte-order mark, into the desktop folder (the program's folder when the desktop
// cannot be determined), then names the file in a message, or says that it could not be written.
// Dispatches messages once per row; a close meanwhile ends it without writing or saying anything.
void ExportFailureList(PageHost& host);

// The user's desktop folder as the shell names it; empty when it cannot be determined.
std::string DesktopFolder();

using DesktopFolderAnswer = std::function<std::string()>;
// Replaces the shell's answer until called again with an empty function.
void SetDesktopFolderForTests(DesktopFolderAnswer answer);
