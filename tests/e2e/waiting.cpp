#include "waiting.h"

#include <poll.h>
#include <thread>
#include <unistd.h>

std::string WithinPatience() {
    return "within " + std::to_string(Patience.count()) + " s";
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds every) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(every);
    }
    return true;
}

std::optional<std::string> ReadLine(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    char c = 0;
    while (c != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0 ||
            read(fd, &c, 1) != 1) {
            return std::nullopt;
        }
        line += c;
    }
    line.pop_back();
    return line;
}
