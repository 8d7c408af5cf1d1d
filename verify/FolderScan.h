#pragma once
#include <functional>
#include <string>

class PageHost;

// The record grid's rows from a folder of the page "校验图片". Window thread only.

// The folder of the last browse; after a scan it ends in "\".
extern std::string scanFolder;

// Lays the record grid out empty: eight headed columns and no data row.
void ResetRecordGrid(PageHost& host);
// Click on "选择": browse for a folder and list its files in the record grid. Ignored during a
// verification run, whose tasks write to rows by their number.
void ChooseScanFolder(PageHost& host);
// Calls perFile(folder, name) for every file directly inside folder, in enumeration order;
// folder gets its trailing backslash (the caller's variable is changed).
void ScanFolder(std::string& folder, const std::function<void(const std::string&, const std::string&)>& perFile);
// Appends one row for a file and shows its number in "总记录数" (unless showCount is false, for a
// caller that shows the last number itself); gives the row's number.
int AddRecordRow(PageHost& host, const std::string& folder, const std::string& name, bool showCount = true);
