#pragma once

class MainWindow;

// The record grid's pop-up menu "参数" and its item "导出超分辨率图片". Window thread only.

// Right button on the grid: "参数" at the cursor, both items grey while the grid has no data row.
// The items act on the whole grid, not on the row under the cursor.
void ShowGridMenu(MainWindow& window);
// "导出超分辨率图片": empties the crop page's list, appends every row that failed with
// "分辨率过高" in grid order, and shows the crop page.
void ExportOversizedToCropList(MainWindow& window);
