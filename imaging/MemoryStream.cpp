#include "imaging/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
class ReadOnlyMemoryStream final : public IStream {
public:
    explicit ReadOnlyMemoryStream(const std::string& bytes) : bytes_(bytes) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG wanted, ULONG* got) override {
        if (into == nullptr && wanted > 0) return STG_E_INVALIDPOINTER;
        const ULONGLONG left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const ULONG count = static_cast<ULONG>(std::min<ULONGLONG>(wanted, left));
        if (count > 0) std::memcpy(into, bytes_.data() + position_, count);
        position_ += count;
        if (got != nullptr) *got = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written != nullptr) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
        LONGLONG base;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
        case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_.size()); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        const LONGLONG target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<ULONGLONG>(target);  // past the end reads nothing
        if (now != nullptr) now->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        const ULONGLONG left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const ULONG chunk = static_cast<ULONG>(std::min<ULONGLONG>({count.QuadPart, left, 0x7FFFFFFFULL}));
        ULONG put = 0;
        HRESULT result = S_OK;
        if (chunk > 0) {
            if (target == nullptr) return STG_E_INVALIDPOINTER;
            result = target->Write(bytes_.data() + position_, chunk, &put);
        }
        position_ += chunk;
        if (read != nullptr) read->QuadPart = chunk;
        if (written != nullptr) written->QuadPart = put;
        return result;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return STG_E_REVERTED; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD) override {
        if (status == nullptr) return STG_E_INVALIDPOINTER;
        std::memset(status, 0, sizeof *status);
        status->type = STGTY_STREAM;
        status->cbSize.QuadPart = bytes_.size();
        status->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
        if (copy == nullptr) return STG_E_INVALIDPOINTER;
        auto* clone = new (std::nothrow) ReadOnlyMemoryStream(bytes_);
        if (clone == nullptr) return E_OUTOFMEMORY;
        clone->position_ = position_;
        *copy = clone;
        return S_OK;
    }

private:
    ~ReadOnlyMemoryStream() = default;
    const std::string bytes_;
    ULONGLONG position_ = 0;
    volatile LONG references_ = 1;
};
}  // namespace

IStream* MakeReadOnlyMemoryStream(const std::string& bytes) {
    try {
        return new ReadOnlyMemoryStream(bytes);
    } catch (...) {
        return nullptr;
    }
}
