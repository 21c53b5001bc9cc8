#include "take_over.h"
#include "make_error.h"
#include "packed_methods.h"
#include "program_decode.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

[[noreturn]] void refuse(const Member &member, const std::string &archive,
                         const std::string &failure) {
    throw MakeError(archive + ": \"" + member.shown + "\" (" + member.packed_method +
                    "): " + failure + "; nothing was written");
}

// A file in the temporary folder that has no name from the start, so that nothing is
// left behind whatever ends the program; it is reached as /proc/self/fd/N.
class UnnamedFile {
  public:
    UnnamedFile() {
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "kolvane-make-XXXXXX").string();
        if (error)
            pattern = "/tmp/kolvane-make-XXXXXX";
        fd_ = mkstemp(pattern.data());
        if (fd_ < 0)
            throw MakeError("a temporary file cannot be made: " + std::string(strerror(errno)));
        unlink(pattern.c_str());
    }
    ~UnnamedFile() { close(fd_); }
    UnnamedFile(const UnnamedFile &) = delete;
    UnnamedFile &operator=(const UnnamedFile &) = delete;

    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

  private:
    int fd_;
};

} // namespace

void check_copied(const Member &member, const std::string &archive) {
    std::string failure = program_expand(archive, member, "");
    if (!failure.empty())
        refuse(member, archive, failure);
}

void with_expanded(const Member &member, const std::string &archive,
                   const std::function<void(const Member &expanded)> &pack) {
    UnnamedFile file;
    std::string failure = program_expand(archive, member, file.path());
    if (!failure.empty())
        refuse(member, archive, failure);
    Member expanded = member;
    expanded.source = MemberSource::File;
    expanded.disk_path = file.path();
    pack(expanded);
}
