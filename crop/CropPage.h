#pragma once

class PageHost;

// Routes the events of the page "裁剪图片" to their handlers: the source list's buttons, its menu
// "裁剪" and its right click.
void WireCropPage(PageHost& host);
