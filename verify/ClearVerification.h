#pragma once

class PageHost;

// Click on "清除验证": 状态, 分辨率, 结果 and 失败原因 of every data row become empty, so every row
// is pending again; 验证时间 and the text colours stay. Window thread only.
//
// Ignored while a verification run is under way: the run hands out row k where k is the number of
// pending rows, which is right only while the pending rows are rows 1 to k. A task of the run
// finishing after the clear would mark a row done above pending ones, and the run would then hand
// out that done row again and again while a lower row waited for ever.
void ClearVerification(PageHost& host);
