// kolvane-make's entry point on Linux, and where it finds its stub.
#include "platform.h"

#include <filesystem>

int main(int argc, char **argv) {
    return kolvane_make(argc, argv);
}

// The stub installed with this program (share/kolvane95/ beside bin/), found from where the
// program is, so that a moved installation keeps working; in the build tree ../win/.
std::string platform::default_stub() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error)
        return "kolvane95.exe";
    fs::path installed = folder / KOLVANE_STUB_FROM_BIN / "kolvane95.exe";
    if (fs::exists(installed, error))
        return installed.lexically_normal().string();
    return (folder.parent_path() / "win" / "kolvane95.exe").string();
}
