#pragma once

class MainWindow;

// Routes the record grid's current-cell and right-button events, the items of "参数" and the
// click on "清除验证" to their handlers.
void WirePreviewAndExport(MainWindow& window);
