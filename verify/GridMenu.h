#pragma once
#include <functional>
#include <string>

class PageHost;

// The record grid's pop-up menu "参数" and its item "导出超分辨率图片". Window thread only.

// The crop page's source list as the export sees it: emptying it and appending a row (path,
// name, resolution text). The window that holds both pages provides it.
struct SourceListHandOver {
    std::function<void()> deleteAllRows;
    std::function<void(const std::string& path, const std::string& name, const std::string& resolution)> appendRow;
};

// Right button on the grid: "参数" at the cursor, both items grey while the grid has no data row.
// The items act on the whole grid, not on the row under the cursor.
void ShowGridMenu(PageHost& host);
// "导出超分辨率图片": empties the crop page's list, appends every row that failed with
// "分辨率过高" in grid order, and shows the crop page. Appending dispatches messages; a close
// meanwhile ends it.
void ExportOversizedToCropList(PageHost& host, const SourceListHandOver& list);
