#include "cli/terminal_host/progress_terminal.h"

#include <cctype>
#include <iostream>
#include <unistd.h>

#include "sdk/host_terminal.h"

ProgressTerminal::ProgressTerminal(std::ostream& sink, bool interactive) : sink_(sink), interactive_(interactive) {}

ProgressTerminal::~ProgressTerminal() {
  if (openLine_) sink_ << "\n";
}

int ProgressTerminal::overflow(int ch) {
  if (ch == traits_type::eof()) return 0;
  if (ch == '\n') {
    Line(pending_);
    pending_.clear();
  } else {
    pending_.push_back(static_cast<char>(ch));
  }
  return ch;
}

void ProgressTerminal::Line(const std::string& line) {
  // The stage is the text without its numbers; the percentage the first number.
  std::string stem;
  int percent = -1;
  for (size_t i = 0; i < line.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(line[i]))) {
      size_t j = i;
      while (j < line.size() && std::isdigit(static_cast<unsigned char>(line[j]))) ++j;
      if (j < line.size() && j + 2 <= line.size() && line.compare(j, 2, " %") == 0 && percent < 0)
        percent = std::stoi(line.substr(i, j - i));
      i = j - 1;
      stem.push_back('#');
    } else {
      stem.push_back(line[i]);
    }
  }
  if (interactive_) {
    sink_ << "\r\033[K" << line << std::flush;
    openLine_ = true;
    return;
  }
  const int tenth = percent < 0 ? -1 : percent / 10;
  if (stem == lastStem_ && tenth == lastTenth_) return;
  lastStem_ = stem;
  lastTenth_ = tenth;
  sink_ << line << "\n";
}

ScopedProgressTerminal::ScopedProgressTerminal() : buffer_(std::cerr, isatty(2) != 0), stream_(&buffer_) {
  SetHostTerminal(&stream_);
}

ScopedProgressTerminal::~ScopedProgressTerminal() { SetHostTerminal(&std::cerr); }
