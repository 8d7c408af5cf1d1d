#pragma once
#include <functional>
#include <string>

// The shell's folder browser and the open-file dialog go through here, so tests can answer them.

// The folder browser (folders only, with an edit box) titled as given, modal to the program's
// windows; the chosen folder's path, or empty when cancelled or when it has no path.
std::string BrowseForFolder(const std::string& title);

using FolderBrowserAnswer = std::function<std::string(const std::string& title)>;
// Replaces the real browser until called again with an empty function.
void SetFolderBrowserAnswer(FolderBrowserAnswer answer);

// The open-file dialog, modal to the program's windows. The filter is written as display text and
// pattern pairs joined by "|" ("*.bmp|*.bmp"). The chosen file's full path, or empty when cancelled.
std::string ChooseOpenFile(const std::string& filter);

using OpenFileAnswer = std::function<std::string(const std::string& filter)>;
// Replaces the real dialog until called again with an empty function.
void SetOpenFileAnswer(OpenFileAnswer answer);
