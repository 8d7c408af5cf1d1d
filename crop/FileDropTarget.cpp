#include "crop/FileDropTarget.h"

#include <ole2.h>

#include <vector>

namespace {

FORMATETC FileListFormat() { return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

class FileDropTarget final : public IDropTarget {
public:
    explicit FileDropTarget(FilesDropped dropped) : dropped_(std::move(dropped)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC format = FileListFormat();
        accepting_ = data != nullptr && data->QueryGetData(&format) == S_OK;
        return Answer(effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return Answer(effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        accepting_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        accepting_ = false;
        if (effect == nullptr) return E_INVALIDARG;
        FORMATETC format = FileListFormat();
        STGMEDIUM medium = {};
        if (data == nullptr || data->GetData(&format, &medium) != S_OK) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        std::string text;
        bool read = false;
        // DragQueryFile reads the list in place; the lock keeps a movable block where it is.
        if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != nullptr && GlobalLock(medium.hGlobal) != nullptr) {
            text = DroppedFileText(static_cast<HDROP>(medium.hGlobal));
            GlobalUnlock(medium.hGlobal);
            read = true;
        }
        ReleaseStgMedium(&medium);
        *effect = read && (*effect & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        // The target may be revoked by what the drop does; it stays alive for this call.
        AddRef();
        if (read && dropped_) dropped_(text);
        Release();
        return S_OK;
    }

private:
    ~FileDropTarget() = default;
    HRESULT Answer(DWORD* effect) const {
        if (effect == nullptr) return E_INVALIDARG;
        *effect = accepting_ && (*effect & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }

    LONG references_ = 1;
    bool accepting_ = false;
    FilesDropped dropped_;
};

}  // namespace

bool RegisterFileDropTarget(HWND window, FilesDropped dropped) {
    FileDropTarget* target = new FileDropTarget(std::move(dropped));
    const HRESULT result = RegisterDragDrop(window, target);
    target->Release();  // the registration holds it from here
    return SUCCEEDED(result);
}

std::string DroppedFileText(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::string text;
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::vector<char> path(size_t{length} + 1, '\0');
        DragQueryFileA(drop, i, path.data(), length + 1);
        text.append(path.data(), length);
        if (count > 1) text += "\r\n";
    }
    return text;
}
