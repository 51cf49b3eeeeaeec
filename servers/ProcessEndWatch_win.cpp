#include "servers/ProcessEndWatch.h"

#include <windows.h>

#include <map>
#include <utility>

namespace brv {

ProcessEndWatch::~ProcessEndWatch() {
    Clear();
}

void ProcessEndWatch::Fired(Entry* entry) {
    ProcessEndWatch& self = *entry->owner;
    {
        std::lock_guard<std::mutex> lock(self.m_mutex);
        self.m_ended.push_back(entry->id);
    }
    SetEvent(static_cast<HANDLE>(self.m_wake));
}

void ProcessEndWatch::Refresh(const std::vector<brvRunSL>& records) {
    std::map<std::pair<brvHandle, uint32_t>, std::unique_ptr<Entry>> old;
    for (std::unique_ptr<Entry>& e : m_entries) {
        old.emplace(std::make_pair(e->id.process, e->id.pid), std::move(e));
    }
    m_entries.clear();
    m_entries.reserve(records.size());
    for (const brvRunSL& rec : records) {
        auto it = old.find({rec.process, rec.processId});
        if (it != old.end()) {
            m_entries.push_back(std::move(it->second));
            old.erase(it);
            continue;
        }
        auto e = std::make_unique<Entry>();
        e->owner = this;
        e->id = {rec.process, rec.processId};
        HANDLE ours = nullptr;
        if (rec.process != nullptr &&
            DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(rec.process), GetCurrentProcess(), &ours,
                            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0)) {
            e->ours = ours;
            HANDLE wait = nullptr;
            if (RegisterWaitForSingleObject(
                    &wait, ours, [](void* context, BOOLEAN) { Fired(static_cast<Entry*>(context)); }, e.get(),
                    INFINITE, WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD)) {
                e->wait = wait;
            }
        }
        m_entries.push_back(std::move(e));
    }
    for (auto& [identity, e] : old) {
        m_retired.push_back(std::move(e));
    }
}

void ProcessEndWatch::Undo(Entry& e) {
    if (e.wait != nullptr) {
        UnregisterWaitEx(static_cast<HANDLE>(e.wait),
                         INVALID_HANDLE_VALUE); // returns once no callback of it runs
        e.wait = nullptr;
    }
    if (e.ours != nullptr) {
        CloseHandle(static_cast<HANDLE>(e.ours));
        e.ours = nullptr;
    }
}

void ProcessEndWatch::Settle() {
    for (std::unique_ptr<Entry>& e : m_retired) {
        Undo(*e);
    }
    m_retired.clear();
}

std::vector<ProcessEndWatch::Identity> ProcessEndWatch::TakeEnded() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_ended, {});
}

std::vector<ProcessEndWatch::Identity> ProcessEndWatch::LookAll() const {
    std::vector<Identity> ended;
    for (const std::unique_ptr<Entry>& e : m_entries) {
        bool alive = false;
        if (e->ours != nullptr) {
            alive = WaitForSingleObject(static_cast<HANDLE>(e->ours), 0) == WAIT_TIMEOUT;
        } else if (HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, e->id.pid)) {
            // No handle of the record's own (it could not be duplicated): the id is all there is.
            alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
            CloseHandle(h);
        }
        if (!alive) {
            ended.push_back(e->id);
        }
    }
    return ended;
}

void ProcessEndWatch::Clear() {
    for (std::unique_ptr<Entry>& e : m_entries) {
        m_retired.push_back(std::move(e));
    }
    m_entries.clear();
    Settle();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ended.clear();
}

} // namespace brv
