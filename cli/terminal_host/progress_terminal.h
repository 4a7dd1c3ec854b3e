// The host's prompt and progress lines on the program's terminal: redrawn in
// place on a terminal, thinned out to every tenth percent in a log.
#pragma once
#include <ostream>
#include <streambuf>
#include <string>

class ProgressTerminal : public std::streambuf {
 public:
  explicit ProgressTerminal(std::ostream& sink, bool interactive);
  ~ProgressTerminal() override;

 protected:
  int overflow(int ch) override;

 private:
  void Line(const std::string& line);

  std::ostream& sink_;
  bool interactive_;
  bool openLine_ = false;
  std::string pending_, lastStem_;
  int lastTenth_ = -1;
};

// Points the host's terminal at the program's standard error for the life of
// the object.
class ScopedProgressTerminal {
 public:
  ScopedProgressTerminal();
  ~ScopedProgressTerminal();

 private:
  ProgressTerminal buffer_;
  std::ostream stream_;
};
