#include "tests/peers/posix_peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <thread>

namespace quorin::test {

namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& arg : argv)
        pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& home,
                           const std::string& logPath) {
    std::vector<char*> pointers = ArgvPointers(argv);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setenv("HOME", home.c_str(), 1);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        if (devNull >= 0)
            ::dup2(devNull, 0);
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

bool ChildProcess::Running() { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

std::optional<std::string> AskUdp(int port, std::string_view request,
                                  std::chrono::milliseconds wait) {
    Fd s(::socket(AF_INET, SOCK_DGRAM, 0));
    const sockaddr_in to = Loopback(port);
    if (::sendto(s.Get(), request.data(), request.size(), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
        return std::nullopt;
    pollfd p{s.Get(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0)
        return std::nullopt;
    std::string buffer(65536, '\0');
    const ssize_t got = ::recv(s.Get(), buffer.data(), buffer.size(), 0);
    if (got < 0)
        return std::nullopt; // a closed port answers with an ICMP error
    buffer.resize(static_cast<std::size_t>(got));
    return buffer;
}

std::optional<std::string> CaptureOutput(const std::vector<std::string>& argv) {
    std::array<int, 2> pipeFds{};
    if (::pipe(pipeFds.data()) != 0)
        return std::nullopt;
    std::vector<char*> pointers = ArgvPointers(argv);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    Fd reader(pipeFds[0]);
    std::string output;
    std::array<char, 4096> chunk{};
    for (ssize_t got; (got = ::read(reader.Get(), chunk.data(), chunk.size())) > 0;)
        output.append(chunk.data(), static_cast<std::size_t>(got));
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

bool ProgramExists(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

} // namespace quorin::test
