#include "servers/ServerTable.h"

#include "framework/InvalidArgument.h"

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
