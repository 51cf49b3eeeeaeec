#include "profile/ProfileFile.h"

namespace brv {

std::wstring MissingServerExeText(const std::wstring& workDir) {
    return L"hlds.exe по данному пути отсутствует! \n \"" + workDir + L"\\\"";
}

} // namespace brv
