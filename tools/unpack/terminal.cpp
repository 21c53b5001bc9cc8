// Questions, progress and messages on the terminal.
#include "terminal.h"
#include "text.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t interrupt_seen = 0;
bool progress_wanted = false;
bool progress_shown = false;
double last_redraw = -1;

void on_interrupt(int) {
    interrupt_seen = 1;
}

double seconds_now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + now.tv_nsec / 1e9;
}

size_t terminal_columns() {
    winsize size;
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

std::string trimmed(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

bool can_ask() {
    return isatty(STDIN_FILENO);
}

// Byte by byte from the descriptor: nothing is read ahead of the line, and an interrupt
// ends the read at once (the handler is installed without SA_RESTART).
bool ask(const std::string &question, std::string &answer) {
    clear_progress();
    fputs(question.c_str(), stderr);
    fflush(stderr);
    answer.clear();
    for (;;) {
        char byte;
        ssize_t n = interrupt_seen ? -1 : read(STDIN_FILENO, &byte, 1);
        if (n < 0 && errno == EINTR && !interrupt_seen)
            continue;
        if (n <= 0 || interrupt_seen) {
            fputc('\n', stderr);
            return false;
        }
        if (byte == '\n')
            break;
        answer += byte;
    }
    answer = trimmed(answer);
    return true;
}

void catch_interrupts() {
    struct sigaction action = {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupted() {
    return interrupt_seen != 0;
}

void enable_progress(bool wanted) {
    progress_wanted = wanted && isatty(STDERR_FILENO);
}

bool progress_due() {
    return progress_wanted && seconds_now() - last_redraw >= 0.1;
}

void show_progress(int percent, uint64_t bytes, const std::string &status_utf8) {
    if (!progress_wanted)
        return;
    last_redraw = seconds_now();
    constexpr int BAR = 20;
    char bar[64] = "";
    if (percent >= 0) {
        int filled = percent * BAR / 100;
        snprintf(bar, sizeof bar, "%3d%% [%.*s%.*s] ", percent, filled, "####################",
                 BAR - filled, "                    ");
    }
    char amount[32];
    snprintf(amount, sizeof amount, "%.1f MiB  ", (double)bytes / (1024 * 1024));
    std::string line = fit_width(bar + (amount + status_utf8), terminal_columns() - 1);
    fprintf(stderr, "\r%s\033[K", line.c_str());
    fflush(stderr);
    progress_shown = true;
}

void clear_progress() {
    if (!progress_shown)
        return;
    fputs("\r\033[K", stderr);
    fflush(stderr);
    progress_shown = false;
}

void report(const std::string &text) {
    clear_progress();
    fprintf(stderr, "kolvane-unpack: %s\n", text.c_str());
}
