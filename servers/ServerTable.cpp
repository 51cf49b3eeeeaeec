#include "servers/ServerTable.h"

#include "framework/InvalidArgument.h"

#include <algorithm>

int ServerTable::Count() const {
    return Locked([](const Records& r) { return static_cast<int>(r.size()); });
}

brvRunSL ServerTable::At(int i) const {
    return Locked([i](const Records& r) { return brv::CheckedAt(r, i); });
}

int ServerTable::Append(const brvRunSL& record) {
    return Locked([&record](Records& r) {
        r.push_back(record);
        return static_cast<int>(r.size()) - 1;
    });
}

void ServerTable::RemoveAt(int i) {
    Locked([i](Records& r) {
        brv::CheckedAt(r, i);
        r.erase(r.begin() + i);
    });
}

std::optional<brvRunSL> ServerTable::FindByTitle(const std::wstring& title) const {
    return Locked([&title](const Records& r) -> std::optional<brvRunSL> {
        for (const auto& rec : r) {
            if (rec.serverTitle == title) {
                return rec;
            }
        }
        return std::nullopt;
    });
}

void ServerTable::ReleaseHandles(brvRunSL& record, const HandleCloser& close) {
    for (brvHandle* h : {&record.mapping, &record.parentEvent, &record.childEvent}) {
        if (*h != nullptr) {
            close(*h);
            *h = nullptr;
        }
    }
}

void ServerTable::ReleaseHandlesAt(int i, const HandleCloser& close) {
    Locked([i, &close](Records& r) { ReleaseHandles(brv::CheckedAt(r, i), close); });
}

namespace {

std::optional<brvRunSL> TakeFirstLocked(ServerTable::Records& r, const ServerTable::Match& match,
                                        const ServerTable::HandleCloser& close) {
    for (size_t i = 0; i < r.size(); ++i) {
        if (match(r[i])) {
            ServerTable::ReleaseHandles(r[i], close);
            brvRunSL copy = r[i];
            r.erase(r.begin() + static_cast<std::ptrdiff_t>(i));
            return copy;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<brvRunSL> ServerTable::TakeFirst(const Match& match, const HandleCloser& close) {
    return Locked([&](Records& r) { return TakeFirstLocked(r, match, close); });
}

std::vector<brvRunSL> ServerTable::TakeAll(const Match& match, const HandleCloser& close) {
    return Locked([&](Records& r) {
        std::vector<brvRunSL> taken;
        while (auto rec = TakeFirstLocked(r, match, close)) {
            taken.push_back(std::move(*rec));
        }
        return taken;
    });
}

bool ServerTable::HoldsTitle(const std::wstring& title) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_records.begin(), m_records.end(),
                       [&](const brvRunSL& r) { return r.serverTitle == title; }) ||
           std::any_of(m_pending.begin(), m_pending.end(),
                       [&](const PendingRestart& p) { return p.record.serverTitle == title; });
}

bool ServerTable::HoldsAddress(const std::wstring& ip, const std::wstring& port) const {
    return Locked([&](const Records& r) {
        return std::any_of(r.begin(), r.end(),
                           [&](const brvRunSL& rec) { return rec.ip == ip && rec.port == port; });
    });
}

std::optional<ChannelHandles> ServerTable::DuplicateChannel(const std::wstring& title,
                                                            const HandleDuplicator& duplicate) const {
    return Locked([&](const Records& r) -> std::optional<ChannelHandles> {
        for (const brvRunSL& rec : r) {
            if (rec.serverTitle == title) {
                auto dup = [&duplicate](brvHandle h) { return h != nullptr ? duplicate(h) : nullptr; };
                return ChannelHandles{dup(rec.mapping), dup(rec.parentEvent), dup(rec.childEvent)};
            }
        }
        return std::nullopt;
    });
}

bool ServerTable::SetConsoleWindow(brvHandle process, uint32_t processId, brvWindow window) {
    return Locked([&](Records& r) {
        for (brvRunSL& rec : r) {
            if (rec.process == process && rec.processId == processId) {
                rec.consoleWindow = window;
                return true;
            }
        }
        return false;
    });
}

uint64_t ServerTable::EpochLocked(const std::wstring& title) const {
    auto it = m_cancels.find(title);
    return m_allCancels + (it == m_cancels.end() ? 0 : it->second);
}

std::vector<brvRunSL> ServerTable::CancelLocked(const std::wstring& title) {
    ++m_cancels[title];
    EndUnderWayLocked(title); // its append will fail
    std::vector<brvRunSL> dropped;
    std::erase_if(m_pending, [&](const PendingRestart& p) {
        if (p.record.serverTitle != title) {
            return false;
        }
        dropped.push_back(p.record);
        return true;
    });
    return dropped;
}

std::optional<brvRunSL> ServerTable::MoveToPending(const Match& match, uint64_t dueMs,
                                                   const HandleCloser& close) {
    return Locked([&](Records& r) {
        auto taken = TakeFirstLocked(r, match, close);
        if (taken) {
            // The waiting copy owns nothing: the taker closes the process handle, so its value goes.
            PendingRestart waiting{*taken, dueMs, EpochLocked(taken->serverTitle)};
            waiting.record.process = nullptr;
            waiting.record.consoleWindow = nullptr;
            m_pending.push_back(std::move(waiting));
        }
        return taken;
    });
}

std::vector<PendingRestart> ServerTable::TakeDuePending(uint64_t nowMs) {
    return Locked([&](Records&) {
        std::vector<PendingRestart> due;
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (it->dueMs <= nowMs) {
                m_underWay.push_back(*it);
                m_underWay.back().record.process = nullptr;
                due.push_back(std::move(*it));
                it = m_pending.erase(it);
            } else {
                ++it;
            }
        }
        return due;
    });
}

void ServerTable::EndUnderWayLocked(const std::wstring& title) {
    std::erase_if(m_underWay, [&](const PendingRestart& p) { return p.record.serverTitle == title; });
}

void ServerTable::RestartEnded(const std::wstring& title) {
    Locked([&](Records&) { EndUnderWayLocked(title); });
}

bool ServerTable::AddPending(const PendingRestart& restart) {
    return Locked([&](Records&) {
        EndUnderWayLocked(restart.record.serverTitle);
        if (EpochLocked(restart.record.serverTitle) != restart.epoch) {
            return false;
        }
        m_pending.push_back(restart);
        return true;
    });
}

std::optional<uint64_t> ServerTable::NextPendingDueIn(uint64_t nowMs) const {
    return Locked([&](const Records&) -> std::optional<uint64_t> {
        std::optional<uint64_t> best;
        for (const auto& p : m_pending) {
            const uint64_t left = p.dueMs > nowMs ? p.dueMs - nowMs : 0;
            best = std::min(best.value_or(left), left);
        }
        return best;
    });
}

size_t ServerTable::PendingCount() const {
    return Locked([&](const Records&) { return m_pending.size(); });
}

std::vector<brvRunSL> ServerTable::CancelPending(const std::wstring& title) {
    return Locked([&](Records&) { return CancelLocked(title); });
}

std::vector<brvRunSL> ServerTable::CancelAllPending() {
    return Locked([&](Records&) {
        ++m_allCancels; // every title's epoch moves, so a restart under way is cancelled too
        std::vector<brvRunSL> dropped;
        for (PendingRestart& p : m_pending) {
            dropped.push_back(std::move(p.record));
        }
        m_pending.clear();
        m_underWay.clear();
        return dropped;
    });
}

std::optional<brvRunSL> ServerTable::CancelAndTake(const std::wstring& title, const HandleCloser& close,
                                                   std::vector<brvRunSL>* dropped) {
    return Locked([&](Records& r) {
        std::vector<brvRunSL> gone = CancelLocked(title);
        if (dropped != nullptr) {
            *dropped = std::move(gone);
        }
        return TakeFirstLocked(
            r, [&title](const brvRunSL& rec) { return rec.serverTitle == title; }, close);
    });
}

bool ServerTable::IsCurrent(const std::wstring& title, uint64_t epoch) const {
    return Locked([&](const Records&) { return EpochLocked(title) == epoch; });
}

uint64_t ServerTable::Epoch(const std::wstring& title) const {
    return Locked([&](const Records&) { return EpochLocked(title); });
}

bool ServerTable::AppendIfCurrent(const brvRunSL& record, uint64_t epoch) {
    return Locked([&](Records& r) {
        EndUnderWayLocked(record.serverTitle); // listed as running or not at all, never twice
        if (EpochLocked(record.serverTitle) != epoch) {
            return false;
        }
        r.push_back(record);
        return true;
    });
}
