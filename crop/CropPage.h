#pragma once

class PageHost;

// Routes the events of the page "裁剪图片" to their handlers: the source list's buttons, its menu
// "裁剪", its clicks, and the crop view's buttons and notices.
void WireCropPage(PageHost& host);
