// `fernwick studio` as a person runs it: from another working directory, on a
// bare file name, stopped with Ctrl-C.
#include <gtest/gtest.h>
#include <httplib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/commands/import_export_commands.h"
#include "cli/sample_characters/demo_character.h"
#include "cli/studio/studio_command.h"
#include "tests/cli/studio/event_reader.h"
#include "tests/support/temp_dir.h"

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// The program running with its standard output on a pipe.
class Studio {
 public:
  Studio(const std::string& dir, std::vector<std::string> args) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 2);
      if (chdir(dir.c_str()) != 0) _exit(127);
      std::vector<char*> argv{const_cast<char*>(FW_FERNWICK_BIN), const_cast<char*>("studio")};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(FW_FERNWICK_BIN, argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~Studio() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }

  // Reads the output until the address line is there or `wait` passes;
  // then the address's port and token.
  bool WaitForAddress(int& port, std::string& token, std::chrono::seconds wait) {
    const auto end = Clock::now() + wait;
    while (!FindAddress(port, token)) {
      const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      pollfd p{out_, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) return false;
      char buf[512];
      const ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) return false;
      output_.append(buf, static_cast<size_t>(n));
    }
    return true;
  }

  // The exit status after SIGINT, or -1 when it did not end in `wait`.
  int Interrupt(std::chrono::seconds wait) {
    kill(pid_, SIGINT);
    const auto end = Clock::now() + wait;
    while (Clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        char buf[512];
        ssize_t n;
        while ((n = read(out_, buf, sizeof buf)) > 0) output_.append(buf, static_cast<size_t>(n));
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  const std::string& Output() const { return output_; }

 private:
  // "open http://127.0.0.1:PORT/TOKEN/ in a browser", TOKEN 32 hex digits.
  bool FindAddress(int& port, std::string& token) const {
    const std::string lead = "open http://127.0.0.1:";
    const size_t at = output_.find(lead);
    if (at == std::string::npos) return false;
    const size_t slash = output_.find('/', at + lead.size());
    const size_t end = output_.find("/ in a browser", at);
    if (slash == std::string::npos || end == std::string::npos || end != slash + 33) return false;
    port = std::stoi(output_.substr(at + lead.size(), slash - at - lead.size()));
    token = output_.substr(slash + 1, 32);
    return token.find_first_not_of("0123456789abcdef") == std::string::npos;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  bool exited_ = false;
  std::string output_;
};

TEST(StudioProgram, OpensABareSceneFileNameAndStopsOnCtrlCWhileABoxIsOpen) {
  TempDir dir;
  const std::string source = dir.Write("tail.glb", MakeDemoCharacterGlb());
  CharacterOptions import;
  import.inPath = source;
  import.outPath = dir.File("tail.fws");
  std::ostringstream out, err;
  ASSERT_EQ(RunImport(import, out, err), 0) << err.str();

  Studio studio(dir.path.string(), {"tail.fws", "--port", "0"});
  int port = 0;
  std::string token;
  ASSERT_TRUE(studio.WaitForAddress(port, token, std::chrono::seconds(30))) << studio.Output();
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(30);
  auto scene = client.Get(("/" + token + "/api/scene").c_str());
  ASSERT_TRUE(scene && scene->status == 200);
  const json state = json::parse(scene->body);
  EXPECT_EQ(state["document"]["kind"], "scene");
  EXPECT_EQ(state["document"]["savePath"], dir.File("tail.fws")) << "relative to where it was started";
  EXPECT_EQ(state["panel"][0]["title"], "Parameters");

  // A question open in the page when Ctrl-C comes: answered, and the program ends.
  EventReader page(port, token);
  ASSERT_TRUE(page.WaitFor("hello"));
  std::thread press([&] {
    httplib::Client presser("127.0.0.1", port);
    presser.set_read_timeout(30);
    presser.Post(("/" + token + "/api/rollout/press").c_str(), R"({"rollout":0,"id":1010})", "application/json");
  });
  ASSERT_TRUE(page.WaitFor("box"));
  EXPECT_EQ(studio.Interrupt(std::chrono::seconds(15)), 0) << studio.Output();
  press.join();
  page.Close();
  EXPECT_NE(studio.Output().find("Studio stopped."), std::string::npos) << studio.Output();
  EXPECT_EQ(TempDir::Read(dir.File("tail.fws")).size(), std::filesystem::file_size(dir.File("tail.fws")));
}

TEST(StudioProgram, AGivenPortThatIsTakenIsAnError) {
  httplib::Server other;
  const int port = other.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread serving([&] { other.listen_after_bind(); });
  TempDir dir;
  Studio studio(dir.path.string(), {"--port", std::to_string(port)});
  int unused = 0;
  std::string token;
  EXPECT_FALSE(studio.WaitForAddress(unused, token, std::chrono::seconds(10))) << studio.Output();
  EXPECT_EQ(studio.Interrupt(std::chrono::seconds(5)), 1);
  other.stop();
  serving.join();
}

TEST(StudioProgram, TheDefaultPortFallsBackToAFreeOne) {
  // Hold the default port (or find it held already).
  httplib::Server holder;
  const bool held = holder.bind_to_port("127.0.0.1", kStudioDefaultPort);
  std::thread serving;
  if (held) serving = std::thread([&] { holder.listen_after_bind(); });
  TempDir dir;
  Studio studio(dir.path.string(), {});
  int port = 0;
  std::string token;
  ASSERT_TRUE(studio.WaitForAddress(port, token, std::chrono::seconds(30))) << studio.Output();
  EXPECT_NE(port, kStudioDefaultPort);
  EXPECT_NE(studio.Output().find("Port 7370 is taken; using a free one."), std::string::npos) << studio.Output();
  EXPECT_EQ(studio.Interrupt(std::chrono::seconds(15)), 0);
  if (held) {
    holder.stop();
    serving.join();
  }
}

}  // namespace
