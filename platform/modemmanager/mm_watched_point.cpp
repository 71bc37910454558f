#include "platform/modemmanager/mm_watched_point.h"

namespace paravue::mm {

WatchedPoint::WatchedPoint(ComPtr<ConnectionPoint> inner, std::function<void()> changed)
    : inner_(std::move(inner)), changed_(std::move(changed)) {}

HRESULT WatchedPoint::GetConnectionInterface(IID* iid) {
    return inner_->GetConnectionInterface(iid);
}

HRESULT WatchedPoint::Advise(IUnknown* sink, DWORD* cookie) {
    HRESULT hr = inner_->Advise(sink, cookie);
    if (SUCCEEDED(hr))
        Changed();
    return hr;
}

HRESULT WatchedPoint::Unadvise(DWORD cookie) {
    HRESULT hr = inner_->Unadvise(cookie);
    if (SUCCEEDED(hr))
        Changed();
    return hr;
}

void WatchedPoint::Orphan() {
    std::lock_guard lock(mutex_);
    changed_ = nullptr;
}

void WatchedPoint::Changed() {
    std::lock_guard lock(mutex_);
    if (changed_)
        changed_();
}

}  // namespace paravue::mm
