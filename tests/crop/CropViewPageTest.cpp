// The crop page's handling of its view, through the real window: loading from a click on the
// source list, zooming with the buttons and the wheel, turning, dragging with the mouse, dropping
// files, and the sprite's removal with the window.
#include "CropViewFixture.h"
#include "TestJpeg.h"

#include "crop/FileDropTarget.h"
#include "ui/Controls.h"

#include <shlobj.h>

namespace {
using croptest::BmpBytes;
using croptest::CropViewTest;
using croptest::FlatJpeg;
using croptest::Pump;
using croptest::Px;
using croptest::ReadRendered;
using croptest::Rendered;
using croptest::TextOf;
using croptest::kWhite;

std::string Flat(int width, int height, COLORREF color) {
    return testsupport::Bmp24(width, height, [color](int, int) { return color; });
}

// A data object as the shell hands one over: a CF_HDROP file list (ANSI paths), or, with no
// paths, only text.
class FileListData final : public IDataObject {
public:
    explicit FileListData(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the test's stack

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        size_t bytes = sizeof(DROPFILES) + 1;
        for (const std::string& path : paths_) bytes += path.size() + 1;
        HGLOBAL block = GlobalAlloc(GHND, bytes);
        char* at = static_cast<char*>(GlobalLock(block));
        reinterpret_cast<DROPFILES*>(at)->pFiles = sizeof(DROPFILES);
        reinterpret_cast<DROPFILES*>(at)->fWide = FALSE;
        at += sizeof(DROPFILES);
        for (const std::string& path : paths_) {
            memcpy(at, path.c_str(), path.size() + 1);
            at += path.size() + 1;
        }
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        ++handedOut;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        const bool files = !paths_.empty() && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL);
        return files ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    int handedOut = 0;

private:
    std::vector<std::string> paths_;
    ULONG references_ = 1;
};

class CropViewPageTest : public CropViewTest {
protected:
    // A 1000 x 800 picture loaded through a click on its row: shown at 250.
    void LoadPicture(COLORREF color = RGB(200, 100, 50)) {
        ClickNewRow(PictureFile("photo.bmp", Flat(1000, 800, color)));
        ASSERT_EQ(SpriteNow().pictureWidth, 1000);
        ASSERT_EQ(State().zoomPermille, 250);
    }
    void Press(int x, int y) { SendMessageA(ViewWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void MoveTo(int x, int y, WPARAM keys = MK_LBUTTON) {
        SendMessageA(ViewWindow(), WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
    }
    void Release(int x, int y) { SendMessageA(ViewWindow(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    POINT ViewCentreOnScreen() const {
        POINT at = {158, 186};
        ClientToScreen(ViewWindow(), &at);
        return at;
    }
    IDropTarget* RegisteredTarget() const {
        return static_cast<IDropTarget*>(GetPropA(ViewWindow(), "OleDropTargetInterface"));
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages) texts.push_back(m.text);
        return texts;
    }
};

TEST_F(CropViewPageTest, ClickingARowShowsItsPictureAtAQuarterUnturnedWithItsNameAndPath) {
    const std::string path = PictureFile("证件照.bmp", Flat(1000, 800, RGB(200, 100, 50)));
    ClickNewRow(path);
    EXPECT_EQ(TextOf(C(编辑框_裁剪名)), "证件照.bmp");
    EXPECT_EQ(TextOf(C(编辑框_裁剪图片原路径)), path);
    EXPECT_EQ(State().zoomPermille, 250);
    EXPECT_EQ(State().angleDegrees, 360);
    const CropView::SpriteState s = SpriteNow();
    EXPECT_EQ(s.pictureWidth, 1000);
    EXPECT_EQ(s.angle, 0);
    EXPECT_EQ(s.scaleX, 250);
    EXPECT_EQ(s.drawnWidth, 250);
    EXPECT_EQ(s.drawnHeight, 200);
    // Not moved back to the corner: the placeholder's top-left at (0, 0), then the turn from 90
    // to 0 kept the centre of the 200 x 250 drawing: 0 + 100 - 125, 0 + 125 - 100.
    EXPECT_EQ(View().GetSpriteX(Sprite()), -25);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 25);
    const Rendered view = RenderAll();
    EXPECT_EQ(view.At(0, 25), Px(RGB(200, 100, 50)));
    EXPECT_EQ(view.At(224, 224), Px(RGB(200, 100, 50)));
    EXPECT_EQ(view.At(225, 100), kWhite);
    EXPECT_EQ(view.At(100, 24), kWhite);
    // The hidden panel got the same picture.
    EXPECT_EQ(GetPixel(DrawingPanelDC(C(画板_裁剪图)), 60, 70), RGB(200, 100, 50));
}

TEST_F(CropViewPageTest, AClickOnNoRowOrOnAnUndecodableFileShowsNothingNew) {
    LoadPicture();
    // Below the last row nothing is selected: the view keeps its picture.
    const LPARAM below = MAKELPARAM(20, 300);
    PostMessageA(List(), WM_LBUTTONUP, 0, below);
    SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, below);
    Pump();
    ASSERT_EQ(SelectedSourceRow(List()), -1);
    EXPECT_EQ(SpriteNow().pictureWidth, 1000);
    EXPECT_EQ(TextOf(C(编辑框_裁剪名)), "photo.bmp");

    const std::string broken = PictureFile("broken.jpg", "\xFF\xD8\xFF\xE0 not really");
    ClickNewRow(broken);
    EXPECT_EQ(TextOf(C(编辑框_裁剪名)), "broken.jpg");
    EXPECT_EQ(TextOf(C(编辑框_裁剪图片原路径)), broken);
    EXPECT_FALSE(SpriteNow().drawn);
    EXPECT_EQ(State().zoomPermille, 250);
    const Rendered view = RenderAll();
    for (uint32_t pixel : view.pixels) ASSERT_EQ(pixel, kWhite);
    EXPECT_EQ(GetPixel(DrawingPanelDC(C(画板_裁剪图)), 60, 70), RGB(255, 255, 255));
}

TEST_F(CropViewPageTest, ZoomStepsBy50Between100And2000WithAMessageAtEachLimit) {
    struct Case {
        ControlId button;
        int clicks;
        int zoom;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {超级按钮_放大, 1, 300, {}},
        {超级按钮_放大, 35, 2000, {}},
        {超级按钮_放大, 36, 2000, {"不能再大了，"}},
        {超级按钮_放大, 38, 2000, {"不能再大了，", "不能再大了，", "不能再大了，"}},
        {超级按钮_缩小, 1, 200, {}},
        {超级按钮_缩小, 3, 100, {}},
        {超级按钮_缩小, 4, 100, {"不能再小了，"}},
    };
    LoadPicture();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.button) + " x" + std::to_string(c.clicks));
        ResetZoom(*window);
        messages.clear();
        for (int i = 0; i < c.clicks; ++i) Click(c.button);
        EXPECT_EQ(State().zoomPermille, c.zoom);
        EXPECT_EQ(SpriteNow().scaleX, c.zoom);
        EXPECT_EQ(SpriteNow().scaleY, c.zoom);
        EXPECT_EQ(SpriteNow().drawnWidth, MulDiv(1000, c.zoom, 1000));
        EXPECT_EQ(MessageTexts(), c.shown);
        for (const auto& m : messages) {
            EXPECT_EQ(m.caption, "信息：");
            EXPECT_EQ(m.style, UINT(MB_OK | MB_TASKMODAL));
        }
    }
}

TEST_F(CropViewPageTest, EveryWheelEventZoomsOneStepWhateverItsDistance) {
    struct Case {
        int distance;
        int zoom;
    };
    const Case cases[] = {{240, 300}, {120, 300}, {1, 300}, {-120, 200}, {-720, 200}, {0, 250}};
    LoadPicture();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        ResetZoom(*window);
        const POINT at = ViewCentreOnScreen();
        SendMessageA(ViewWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, c.distance), MAKELPARAM(at.x, at.y));
        EXPECT_EQ(State().zoomPermille, c.zoom);
    }
}

TEST_F(CropViewPageTest, TheWheelZoomsOverTheViewWhicheverControlHasTheFocus) {
    LoadPicture();
    struct Case {
        ControlId focus;
        bool overView;
        int zoom;
    };
    const Case cases[] = {{超级列表框1, true, 300}, {编辑框_裁剪图片存放路径, true, 300}, {超级列表框1, false, 250}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.focus) + (c.overView ? " over the view" : " over the list"));
        ResetZoom(*window);
        SetFocus(C(c.focus));
        POINT at = ViewCentreOnScreen();
        if (!c.overView) {
            at = {30, 100};
            ClientToScreen(List(), &at);
        }
        // As the system posts it: to the window with the focus, the cursor's place beside it.
        PostMessageA(C(c.focus), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(at.x, at.y));
        Pump();
        EXPECT_EQ(State().zoomPermille, c.zoom);
    }
}

TEST_F(CropViewPageTest, RotateTurnsAQuarterEachClickFromThePlaceholdersNinety) {
    struct Step {
        int state;
        int angle;
        int drawnWidth, drawnHeight;
    };
    const Step steps[] = {{180, 180, 819, 460}, {270, 270, 460, 819}, {0, 0, 819, 460}, {90, 90, 460, 819}};
    for (const Step& step : steps) {
        Click(超级按钮_旋转);
        EXPECT_EQ(State().angleDegrees, step.state);
        EXPECT_EQ(SpriteNow().angle, step.angle);
        EXPECT_EQ(SpriteNow().drawnWidth, step.drawnWidth);
        EXPECT_EQ(SpriteNow().drawnHeight, step.drawnHeight);
    }
}

TEST_F(CropViewPageTest, FourTurnsAfterALoadBringThePictureBackAroundItsCentre) {
    ClickNewRow(PictureFile("distinct.bmp", testsupport::Bmp24(640, 360, [](int x, int y) {
                                return RGB(x % 256, y % 256, (x / 3 + y / 5) % 256);
                            })));
    View().MoveSprite(Sprite(), 40, 90);
    const Rendered first = RenderAll();
    auto centre = [this](double& cx, double& cy) {
        cx = View().GetSpriteX(Sprite()) + SpriteNow().drawnWidth / 2.0;
        cy = View().GetSpriteY(Sprite()) + SpriteNow().drawnHeight / 2.0;
    };
    double cx0, cy0;
    centre(cx0, cy0);
    const int states[] = {450, 540, 630, 720};
    const int angles[] = {90, 180, 270, 0};
    for (int turn = 0; turn < 4; ++turn) {
        Click(超级按钮_旋转);
        EXPECT_EQ(State().angleDegrees, states[turn]);
        EXPECT_EQ(SpriteNow().angle, angles[turn]);
        double cx, cy;
        centre(cx, cy);
        EXPECT_LE(std::abs(cx - cx0), 1.0) << turn;
        EXPECT_LE(std::abs(cy - cy0), 1.0) << turn;
    }
    EXPECT_EQ(View().GetSpriteX(Sprite()), 40);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 90);
    EXPECT_TRUE(RenderAll().pixels == first.pixels);
}

TEST_F(CropViewPageTest, DraggingMovesTheSpriteByTheMousesWayFromThePress) {
    LoadPicture();
    View().MoveSprite(Sprite(), -20, 30);
    Press(100, 100);
    EXPECT_TRUE(State().dragging);
    EXPECT_EQ(State().dragSpriteX, -20);
    EXPECT_EQ(State().dragSpriteY, 30);
    MoveTo(150, 90);
    EXPECT_EQ(View().GetSpriteX(Sprite()), 30);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 20);
    MoveTo(90, 130);
    EXPECT_EQ(View().GetSpriteX(Sprite()), -30);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 60);
    Release(90, 130);
    EXPECT_FALSE(State().dragging);
    MoveTo(10, 10, 0);
    EXPECT_EQ(View().GetSpriteX(Sprite()), -30);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 60);
    // A press beside the picture drags it as well.
    Press(300, 360);
    MoveTo(301, 350);
    Release(301, 350);
    EXPECT_EQ(View().GetSpriteX(Sprite()), -29);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 50);
}

TEST_F(CropViewPageTest, TheViewHoldsTheMouseFromPressToReleaseSoAReleaseAnywhereEndsTheDrag) {
    LoadPicture();
    Press(50, 50);
    EXPECT_EQ(GetCapture(), ViewWindow());
    // Captured, the view is told of moves and the release outside itself.
    MoveTo(-100, 500);
    EXPECT_EQ(View().GetSpriteX(Sprite()), -25 - 150);
    Release(-100, 500);
    EXPECT_FALSE(State().dragging);
    EXPECT_EQ(GetCapture(), nullptr);

    // A window that takes the mouse away ends the drag too: its release would never come.
    Press(50, 50);
    ASSERT_TRUE(State().dragging);
    SetCapture(List());
    EXPECT_FALSE(State().dragging);
    ReleaseCapture();
}

TEST_F(CropViewPageTest, ARealDragWithTheMouseReleasedOutsideTheWindowEndsIt) {
    LoadPicture();
    SetForegroundWindow(window->Handle());
    Pump();
    const POINT start = ViewCentreOnScreen();
    const int x0 = View().GetSpriteX(Sprite()), y0 = View().GetSpriteY(Sprite());
    auto send = [](DWORD flags) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        SendInput(1, &input, sizeof input);
    };
    SetCursorPos(start.x, start.y);
    Pump();
    send(MOUSEEVENTF_LEFTDOWN);
    Pump();
    ASSERT_TRUE(State().dragging) << "the press did not reach the view";
    // Out of the main window altogether, then released there.
    SetCursorPos(start.x + 30, start.y + 400);
    Pump();
    send(MOUSEEVENTF_LEFTUP);
    Pump();
    EXPECT_FALSE(State().dragging);
    EXPECT_EQ(View().GetSpriteX(Sprite()), x0 + 30);
    EXPECT_EQ(View().GetSpriteY(Sprite()), y0 + 400);
}

TEST_F(CropViewPageTest, TheViewIsAnOleDropTargetForFiles) {
    EXPECT_EQ(RegisterDragDrop(ViewWindow(), RegisteredTarget()), DRAGDROP_E_ALREADYREGISTERED);
    IDropTarget* target = RegisteredTarget();
    ASSERT_NE(target, nullptr);
    struct Case {
        const char* name;
        std::vector<std::string> paths;
        DWORD effect;
    };
    const Case cases[] = {{"files", {"C:\\a.jpg"}, DROPEFFECT_COPY}, {"text only", {}, DROPEFFECT_NONE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileListData data(c.paths);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        EXPECT_EQ(target->DragEnter(&data, MK_LBUTTON, POINTL{100, 100}, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->DragOver(MK_LBUTTON, POINTL{110, 100}, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        EXPECT_EQ(target->DragLeave(), S_OK);
        EXPECT_EQ(data.handedOut, 0);
    }
}

TEST_F(CropViewPageTest, DroppingOneFileChangesOnlyThePictureAndSeveralLeaveNone) {
    LoadPicture();
    Click(超级按钮_旋转);
    Click(超级按钮_放大);
    const std::string jpeg = PictureFile("拖入的.jpg", FlatJpeg(64, 48, RGB(20, 200, 90)));
    const std::string other = PictureFile("other.bmp", Flat(30, 30, RGB(1, 1, 1)));
    IDropTarget* target = RegisteredTarget();
    ASSERT_NE(target, nullptr);
    auto drop = [target](std::vector<std::string> paths) {
        FileListData data(std::move(paths));
        DWORD effect = DROPEFFECT_COPY;
        target->DragEnter(&data, MK_LBUTTON, POINTL{100, 100}, &effect);
        effect = DROPEFFECT_COPY;
        EXPECT_EQ(target->Drop(&data, MK_LBUTTON, POINTL{100, 100}, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
        EXPECT_EQ(data.handedOut, 1);
        Pump();
    };
    const int x = View().GetSpriteX(Sprite()), y = View().GetSpriteY(Sprite());

    drop({jpeg});
    CropView::SpriteState s = SpriteNow();
    EXPECT_EQ(s.pictureWidth, 64);
    EXPECT_EQ(s.pictureHeight, 48);
    EXPECT_EQ(s.scaleX, 300);
    EXPECT_EQ(s.angle, 90);
    EXPECT_EQ(View().GetSpriteX(Sprite()), x);
    EXPECT_EQ(View().GetSpriteY(Sprite()), y);
    EXPECT_EQ(State().zoomPermille, 300);
    EXPECT_EQ(State().angleDegrees, 450);
    EXPECT_EQ(TextOf(C(编辑框_裁剪名)), "photo.bmp");
    EXPECT_NE(TextOf(C(编辑框_裁剪图片原路径)), jpeg);
    const uint32_t shown = ReadRendered(View().RenderRegion(x + 5, y + 5, 1, 1, kNoColor)).At(0, 0);
    EXPECT_NEAR(int(shown >> 8 & 0xFF), 200, 3);

    drop({jpeg, other});
    s = SpriteNow();
    EXPECT_FALSE(s.drawn);
    EXPECT_EQ(s.pictureWidth, 0);
    EXPECT_EQ(s.scaleX, 300);
    EXPECT_EQ(TextOf(C(编辑框_裁剪名)), "photo.bmp");
}

TEST_F(CropViewPageTest, TheDroppedFileTextIsOnePathOrEveryPathWithALineEnd) {
    struct Case {
        std::vector<std::string> paths;
        std::string text;
    };
    const Case cases[] = {
        {{"C:\\图片\\a.jpg"}, "C:\\图片\\a.jpg"},
        {{"C:\\a.jpg", "D:\\b c.bmp"}, "C:\\a.jpg\r\nD:\\b c.bmp\r\n"},
        {{}, ""},
    };
    for (const Case& c : cases) {
        FileListData data(c.paths);
        if (c.paths.empty()) {
            FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            EXPECT_NE(data.QueryGetData(&format), S_OK);
            continue;
        }
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        ASSERT_EQ(data.GetData(&format, &medium), S_OK);
        EXPECT_EQ(DroppedFileText(static_cast<HDROP>(medium.hGlobal)), c.text);
        ReleaseStgMedium(&medium);
    }
}

TEST_F(CropViewPageTest, TheSpriteIsRemovedWhenTheMainWindowIsDestroyed) {
    // Seen from the view's own WM_DESTROY, which comes after the main window's.
    static bool existedAtViewDestroy = true;
    static int sprite = 0;
    existedAtViewDestroy = true;
    sprite = Sprite();
    ASSERT_TRUE(View().State(sprite).exists);
    SetWindowSubclass(
        ViewWindow(),
        [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) -> LRESULT {
            if (message == WM_DESTROY) {
                if (CropView* view = CropView::FromWindow(hwnd)) existedAtViewDestroy = view->State(sprite).exists;
            }
            return DefSubclassProc(hwnd, message, wParam, lParam);
        },
        1, 0);
    DestroyWindow(window->Handle());
    Pump();
    EXPECT_FALSE(existedAtViewDestroy);
}

}  // namespace
