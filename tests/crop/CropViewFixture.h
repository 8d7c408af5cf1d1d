#pragma once
// The real main window on its crop page with its real crop view: message boxes answered and
// recorded, OLE on the thread as the program has it, and helpers that read the view's pixels.
#include "CropPageFixture.h"

#include "crop/CropView.h"
#include "crop/CropViewPage.h"
#include "ui/MessageBoxSeam.h"

#include <ole2.h>

#include <cstring>
#include <functional>

namespace croptest {

using testsupport::ShownMessage;

// A rendered region read back: the BMP's pixels as 0xRRGGBB, row 0 at the top.
struct Rendered {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

inline uint16_t Le16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

// Reads a RenderRegion result, trusting nothing: a malformed image gives width 0.
inline Rendered ReadRendered(const std::string& bmp) {
    Rendered out;
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return out;
    const int width = static_cast<int>(Le32(bmp, 18));
    const int height = static_cast<int>(Le32(bmp, 22));
    if (width <= 0 || height <= 0 || bmp.size() != 54 + size_t(width) * height * 4) return out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.pixels[size_t(y) * width + x] = Le32(bmp, 54 + (size_t(height - 1 - y) * width + x) * 4);
        }
    }
    return out;
}

// A COLORREF as the rendered pixels hold it.
inline uint32_t Px(COLORREF color) {
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}
constexpr uint32_t kWhite = 0xFFFFFF;

class CropViewTest : public CropPageTest {
protected:
    static void SetUpTestSuite() {
        CropPageTest::SetUpTestSuite();
        // The program initialises OLE on its window thread before making the window.
        OleInitialize(nullptr);
    }
    static void TearDownTestSuite() {
        OleUninitialize();
        CropPageTest::TearDownTestSuite();
    }
    void SetUp() override {
        SetMessageBoxAnswer([this](const std::string& text, const std::string& caption, UINT style) {
            messages.push_back({text, caption, style});
            return IDOK;
        });
        CropPageTest::SetUp();
    }
    void TearDown() override {
        CropPageTest::TearDown();
        SetMessageBoxAnswer(nullptr);
    }

    HWND ViewWindow() const { return C(动画框1); }
    CropView& View() const { return *CropView::FromWindow(ViewWindow()); }
    const CropViewState& State() const { return TheCropViewState(); }
    int Sprite() const { return TheCropViewState().spriteId; }
    CropView::SpriteState SpriteNow() const { return View().State(Sprite()); }
    Rendered RenderAll(COLORREF background = kNoColor) const {
        return ReadRendered(View().RenderRegion(0, 0, 316, 372, background));
    }

    // A row for the file at the end of the source list, then a real left click on it.
    void ClickNewRow(const std::string& path) {
        AppendSourceRow(*window, path, LastPathPart(path), "");
        ClickRow(Rows() - 1);
    }
    void ClickRow(int row) {
        RECT item = {};
        item.left = LVIR_LABEL;
        SendMessageA(List(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
        // The release waits in the queue, as after a real click, while the list tracks the press.
        PostMessageA(List(), WM_LBUTTONUP, 0, at);
        SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        Pump();
    }
    // A picture file of its own in the test's folder.
    std::string PictureFile(const std::string& name, const std::string& bytes) { return folder.File(name, bytes); }

    TempFolder folder{"cropview"};
    std::vector<ShownMessage> messages;
};

}  // namespace croptest
