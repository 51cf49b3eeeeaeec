// Files that cannot be written or read: the program must say so, and what was on disk stays as it was.
#include "soak/FaultCases.h"

#include "res/resource.h"

namespace probe {
using namespace e2e;

namespace {

constexpr DWORD kReadOnlyHiddenSystem =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A first run creates the profile from the built-in default, as an operator's first start does.
bool FirstRun(const Options& o, const std::wstring& dir) {
    Brivan b(o.exe, dir);
    return Launch(b) && b.Exit();
}

// Deletes the first set-master and answers Yes: the one save of the profile that nothing else precedes.
// The messages that follow the question, or a note when the question did not come.
std::vector<MessageBoxSeen> DeleteFirstSetmaster(const Brivan& b) {
    b.ChooseListEntry(IDC_SETMASTER_LIST, 0);
    b.Click(IDC_REMOVE_SETMASTER);
    const auto question = b.WaitMessageBox(10000);
    if (!question || question->caption != L"Запрос на удаление сет-мастера") {
        return {MessageBoxSeen{nullptr, L"", L"(no deletion question)"}};
    }
    Brivan::Answer(*question, IDYES);
    return TakeBoxes(b, 5000);
}

bool WriteMessageFirst(const std::vector<MessageBoxSeen>& boxes) {
    return !boxes.empty() && StartsWith(boxes[0].text, kWriteMessageStart);
}

// Opens the map list editor on the selected game's mapcycle.txt, moves one map and saves.
std::vector<MessageBoxSeen> SaveMapListFromEditor(const Brivan& b) {
    b.Click(IDC_MAP_EDITOR);
    HWND editor = b.WaitDialog(L"Редактор списка карт", 10000);
    if (!editor) {
        return {MessageBoxSeen{nullptr, L"", L"(the map list editor did not open)"}};
    }
    Brivan::Click(editor, IDC_MOVE_RIGHT);
    Sleep(200);
    Brivan::Click(editor, IDC_MAPS_SAVE);
    return TakeBoxes(b, 5000);
}

// Fills the file system that holds `dir` to the last byte.
void FillDisk(const std::wstring& dir) {
    HANDLE f =
        CreateFileW((dir + L"\\filler.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    static char block[65536];
    for (DWORD size = sizeof block; size >= 1; size /= 2) {
        DWORD put = 0;
        while (WriteFile(f, block, size, &put, nullptr) && put == size) {
        }
    }
    CloseHandle(f);
}

} // namespace

void ReadOnlyProfile(const Options& o) {
    const std::wstring dir = CaseDir(o, L"roprofile");
    const std::wstring profile = dir + L"\\brvBrivan3.txt";
    if (!FirstRun(o, dir)) {
        return Result("read-only profile", false, "Brivan did not start and exit");
    }
    const DWORD attrs = GetFileAttributesW(profile.c_str());
    SetFileAttributesW(profile.c_str(), attrs | FILE_ATTRIBUTE_READONLY);
    const std::string before = Bytes(profile);
    Brivan b(o.exe, dir);
    Launch(b);
    const double t = b.StartServer(L"ReadOnly", 27311, 20000);
    const bool message = WriteMessageFirst(TakeBoxes(b, 5000));
    const bool deleteMessage = WriteMessageFirst(DeleteFirstSetmaster(b));
    const bool unchanged = Bytes(profile) == before;
    const DWORD now = GetFileAttributesW(profile.c_str());
    Result("read-only profile",
           t < 0 && message && deleteMessage && unchanged && NoServers(b) &&
               (now & kReadOnlyHiddenSystem) == kReadOnlyHiddenSystem,
           std::string(message ? "write message shown on Start" : "no write message on Start") +
               (deleteMessage ? " and on a set-master deletion" : ", NONE on a set-master deletion") +
               (unchanged ? ", profile unchanged" : ", PROFILE CHANGED") +
               (NoServers(b) ? ", no server started" : ", a server started"));
    b.Exit();
    SetFileAttributesW(profile.c_str(), attrs);
}

void ReadOnlyMapList(const Options& o) {
    const std::wstring dir = CaseDir(o, L"romaps");
    const std::wstring list = dir + L"\\stormline\\mapcycle.txt";
    SetFileAttributesW(list.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string before = Bytes(list);
    Brivan b(o.exe, dir);
    Launch(b);
    const bool message = WriteMessageFirst(SaveMapListFromEditor(b));
    const bool unchanged = Bytes(list) == before;
    Result("read-only map list", message && unchanged && b.Responsive(),
           std::string(message ? "write message shown" : "no write message") +
               (unchanged ? ", mapcycle.txt unchanged" : ", MAPCYCLE.TXT CHANGED"));
    b.Exit();
    SetFileAttributesW(list.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void FullDisk(const Options& o) {
    if (o.fullDisk.empty()) {
        return Say("CASE|full disk|SKIP|no small file system given (run as root for a tmpfs)\n");
    }
    const std::wstring dir = o.fullDisk + L"\\work";
    CopyTree(o.workDir, dir);
    const std::wstring profile = dir + L"\\brvBrivan3.txt", cfg = dir + L"\\stormline\\Brivan.cfg",
                       list = dir + L"\\stormline\\mapcycle.txt";
    {
        Brivan b(o.exe, dir);
        if (!Launch(b)) {
            return Result("full disk", false, "Brivan did not start");
        }
        if (b.StartServer(L"FullDisk", 27321) < 0) {
            return Result("full disk", false, "the first start (disk not yet full) failed");
        }
        b.Exit();
    }
    const std::string profile0 = Bytes(profile), cfg0 = Bytes(cfg), list0 = Bytes(list);
    FillDisk(o.fullDisk);

    Brivan b(o.exe, dir);
    Launch(b);
    const double t = b.StartServer(L"FullDisk", 27322, 20000);
    const auto startBoxes = TakeBoxes(b, 5000);
    const bool started = t >= 0 || !NoServers(b);
    const auto mapBoxes = SaveMapListFromEditor(b);
    const bool deleteMessage = WriteMessageFirst(DeleteFirstSetmaster(b));
    const std::string profile1 = Bytes(profile), cfg1 = Bytes(cfg), list1 = Bytes(list);
    const bool ok = !startBoxes.empty() && !mapBoxes.empty() && deleteMessage && profile1 == profile0 &&
                    list1 == list0 && cfg1 == cfg0;
    Result("full disk", ok,
           std::to_string(startBoxes.size()) + " message(s) on Start, " + std::to_string(mapBoxes.size()) +
               " on the map list save, " + (deleteMessage ? "the write message" : "NO write message") +
               " on a set-master deletion" + (started ? ", a server started" : ", no server started") +
               (profile1 == profile0 ? "; profile intact" : "; PROFILE CHANGED") +
               (cfg1 == cfg0 ? ", Brivan.cfg intact"
                             : ", BRIVAN.CFG CHANGED (" + std::to_string(cfg1.size()) + " of " +
                                   std::to_string(cfg0.size()) + " bytes)") +
               (list1 == list0 ? ", mapcycle.txt intact" : ", MAPCYCLE.TXT CHANGED"));
    DeleteFileW((o.fullDisk + L"\\filler.bin").c_str());
    b.Exit();
}

void UnreadableServerCfg(const Options& o) {
    const std::wstring dir = CaseDir(o, L"cfg");
    const std::wstring cfg = dir + L"\\stormline\\server.cfg";
    const std::string before = Bytes(cfg);
    // Another program holds the file open without sharing, so it cannot be read.
    HANDLE hold =
        CreateFileW(cfg.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Brivan b(o.exe, dir);
    Launch(b);
    const double t = b.StartServer(L"Unreadable", 27331, 20000);
    const auto boxes = TakeBoxes(b, 5000);
    CloseHandle(hold);
    const bool unchanged = Bytes(cfg) == before;
    const bool message = !boxes.empty() && StartsWith(boxes[0].text, L"Не может прочитать файл (ошибка ");
    const bool noCfg =
        GetFileAttributesW((dir + L"\\stormline\\Brivan.cfg").c_str()) == INVALID_FILE_ATTRIBUTES;
    Result("unreadable server.cfg", t < 0 && message && NoServers(b) && unchanged && noCfg,
           std::string(message ? "read message shown" : "no read message") +
               (NoServers(b) ? ", no server started" : ", a server started") +
               (noCfg ? ", no Brivan.cfg written" : ", a Brivan.cfg was written"));
    b.Exit();
}

} // namespace probe
