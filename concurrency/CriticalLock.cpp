#include "concurrency/CriticalLock.h"

CriticalLock::CriticalLock() : section_(new CRITICAL_SECTION) {
    InitializeCriticalSection(section_);
}

CriticalLock::~CriticalLock() {
    DeleteCriticalSection(section_);
    delete section_;
}

void CriticalLock::Enter() { EnterCriticalSection(section_); }
void CriticalLock::Leave() { LeaveCriticalSection(section_); }
bool CriticalLock::TryEnter() { return TryEnterCriticalSection(section_) != FALSE; }
