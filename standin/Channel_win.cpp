#include "standin/Channel_win.h"

#include "standin/Log_win.h"

#include <windows.h>

#include <cstring>
#include <thread>

namespace standin {

namespace {

constexpr size_t kBlockSize = 0x22000;
constexpr size_t kTextSize = 1024;

HANDLE AsHandle(long long v) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(v));
}

void Serve(HANDLE mapping, HANDLE parent, HANDLE child, LineSink sink) {
    for (;;) {
        if (WaitForSingleObject(parent, INFINITE) != WAIT_OBJECT_0) {
            Log("channel", "wait failed");
            return;
        }
        auto* block = static_cast<unsigned char*>(
            MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kBlockSize));
        if (block == nullptr) {
            Log("channel", "map failed");
            continue;
        }
        int32_t code = 0;
        std::memcpy(&code, block, sizeof code);
        std::string line;
        bool take = code == 2;
        if (take) {
            const char* text = reinterpret_cast<const char*>(block + 4);
            size_t n = strnlen(text, kTextSize);
            std::string whole(text, n);
            Log("cmd", EscapeBytes(whole));
            line = TakeOneLine(whole);
            int32_t done = 1;
            std::memcpy(block, &done, sizeof done);
        }
        UnmapViewOfFile(block);
        SetEvent(child);
        if (take) {
            sink(line);
        }
    }
}

} // namespace

void StartChannel(const ServerArgs& args, LineSink sink) {
    if (!args.ChannelOn()) {
        Log("channel", "off");
        return;
    }
    std::thread(Serve, AsHandle(args.hFile), AsHandle(args.hParent), AsHandle(args.hChild), sink).detach();
}

} // namespace standin
