#pragma once

class PageHost;
struct SourceListHandOver;

// Routes the events of the page "校验图片" to their handlers: "选择", "验证图片", the limit controls,
// the record grid's current cell and right button, the items of "参数" and "清除验证".
void WireVerifyPage(PageHost& host, const SourceListHandOver& cropList);
