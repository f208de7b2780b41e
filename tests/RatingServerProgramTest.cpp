// The morvane-ratings program itself, started beside this test executable
// (the Windows build's program under Wine, the Linux one natively) on a
// free loopback port, and consulted with Morvane's own client.

#include "core/startupUtil.h"
#include "online/Consult.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

std::filesystem::path ThisExecutable() {
#ifdef _WIN32
    wchar_t path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return std::filesystem::path(std::wstring(path, n));
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

// A port that was free a moment ago: the program binds it right after.
int FreePort() {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
#else
    int s = socket(AF_INET, SOCK_STREAM, 0);
#endif
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    int port = 0;
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
#ifdef _WIN32
    closesocket(s);
#else
    close(s);
#endif
    return port;
}

// The server program as a child process, ended when this goes.
class TServerProcess {
public:
    TServerProcess(const std::filesystem::path& exe, const std::filesystem::path& db, int port) {
        std::string listen = "127.0.0.1:" + std::to_string(port);
#ifdef _WIN32
        std::wstring line = L"\"" + exe.wstring() + L"\" --db \"" + db.wstring() + L"\" --listen " +
                            std::wstring(listen.begin(), listen.end());
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
#else
        std::string exeText = exe.string();
        std::string dbText = db.string();
        char* argv[] = {exeText.data(), const_cast<char*>("--db"),
                        dbText.data(),  const_cast<char*>("--listen"),
                        listen.data(),  nullptr};
        if (posix_spawn(&pid_, exeText.c_str(), nullptr, nullptr, argv, environ) != 0)
            pid_ = 0;
#endif
    }
    ~TServerProcess() {
#ifdef _WIN32
        if (process_) {
            TerminateProcess(process_, 0);
            WaitForSingleObject(process_, 10000);
            CloseHandle(process_);
        }
#else
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
#endif
    }
    bool Started() const {
#ifdef _WIN32
        return process_ != nullptr;
#else
        return pid_ > 0;
#endif
    }

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = 0;
#endif
};

} // namespace

TEST(RatingServerProgram, AnswersAKnownProgramOnLoopback) {
    std::filesystem::path exe = ThisExecutable().parent_path() / "morvane-ratings";
#ifdef _WIN32
    exe += ".exe";
#endif
    ASSERT_TRUE(std::filesystem::exists(exe)) << exe.string();
    std::filesystem::path db =
        std::filesystem::temp_directory_path() /
        ("morvane-ratings-program-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".db");
    int port = FreePort();
    ASSERT_GT(port, 0);
    {
        TServerProcess server(exe, db, port);
        ASSERT_TRUE(server.Started()) << exe.string();

        THttpPost post;
        post.Server = THostPort{"127.0.0.1", static_cast<uint16_t>(port)};
        post.Path = "/startexe3.php";
        post.ContentType = "application/x-www-form-urlencoded";
        post.Body = "t%5B0%5D=SunJavaUpdateSched&e%5B0%5D=jusched.exe&t%5B1%5D=Nothing+known"
                    "&e%5B1%5D=nothing-known.exe";
        // The program fills its new database before it listens.
        std::string answer;
        std::string lastError;
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (answer.empty() && std::chrono::steady_clock::now() < until) {
            try {
                answer = HttpPost(post, THttpLimits{}, nullptr);
            } catch (const EHttpError& e) {
                lastError = e.what();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        ASSERT_FALSE(answer.empty()) << lastError;
        EXPECT_NE(answer.find("<program idx=\"0\" rating=\"2\">Looks for Java updates."),
                  std::string::npos)
            << answer;
        EXPECT_EQ(answer.find("idx=\"1\""), std::string::npos) << answer;
    }
    std::error_code ignored;
    std::filesystem::remove(db, ignored);
}
