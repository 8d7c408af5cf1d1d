#pragma once

class PageHost;

// Wires both pages into the window that holds them, and the one way they meet: the verification
// page's hand-over of oversized rows into the crop page's source list.
void WirePages(PageHost& host);
