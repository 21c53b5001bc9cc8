// The file being made. It is written under a temporary name in its own folder and renamed
// into place only by commit(), so a reader never sees a partial self-extractor. Until then
// the temporary file is removed when the object goes away (a refusal or failure) and when
// the program is ended: by SIGINT, SIGTERM or SIGHUP, or on Windows by a console event
// (Ctrl-C, Ctrl-Break, the console closed).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class OutputFile {
  public:
    explicit OutputFile(const std::string &path);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Each of these throws MakeError, naming the output file, when the system fails it.
    void write(const void *data, size_t size);
    uint64_t position();
    void seek(uint64_t offset);
    void truncate_here(); // drops everything after the current position
    // Reads what has been written from `offset` on; returns the bytes read, 0 at the end.
    size_t read_at(uint64_t offset, void *data, size_t size);
    void commit(); // completes the file and gives it its name

  private:
    [[noreturn]] void fail();
    void buffer_stream();    // gives file_ a large buffer
    void remove_temporary(); // if it has not been renamed; each system has its own

    std::string path_;
    std::string temporary_;
    FILE *file_ = nullptr;
};
