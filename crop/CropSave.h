#pragma once
// "裁剪图片": what the crop view shows, saved into the storage folder, and the source deleted when
// that was asked for and is safe. Window thread only.
//
// The user never loses a picture here: the crop is written to a temporary file and moved over
// its target only when complete, a failed write stops before anything is deleted, and the source
// is not deleted when it is the very file the crop was just written to.
#include <string>

class PageHost;

// Click on "存放路径": the folder browser; a chosen folder replaces the storage folder's text.
void ChooseCropFolder(PageHost& host);
// Click on "裁剪图片".
void SaveCrop(PageHost& host);
// The name's part before its first ".": the whole name without one, empty when it starts with one.
std::string FirstNamePart(const std::string& name);
// Whether two paths name the same file, as Windows takes them: case-insensitive, GBK-aware, after
// normalising the paths, or the same file on disk when both can be opened.
bool SamePath(const std::string& a, const std::string& b);
// Routes "存放路径" and "裁剪图片" to their handlers.
void WireCropSave(PageHost& host);
