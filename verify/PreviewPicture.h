#pragma once
#include <string>

class PageHost;

// The preview of the page "校验图片": a data row's number in 编辑框_序号, its file squeezed into
// 画板1, its name and resolution in 标签_标识 and 标签_分辨率. Window thread only; no lock is taken
// beyond the probes' own.

// The grid's current cell changed: show the row's number and preview its file. Nothing happens
// while no data row is current.
void ShowSelectedRecord(PageHost& host);
// Loads and measures the file afresh, whatever the row's results say. A file that is no picture
// is shown as the placeholder, written first to PlaceholderFilePath(); when that cannot be written
// or loaded, 画板1 keeps what it showed. The captions are set either way.
void PreviewPicture(PageHost& host, const std::string& path, const std::string& name);

// The placeholder's PNG bytes carried in the program; empty when the module has none.
std::string PlaceholderPictureBytes();
// The program's folder followed by "\tmp.jpg".
std::string PlaceholderFilePath();
