#include "platform/Host.h"

#include <unistd.h>

#include <cstdio>

#include "platform/Encoding.h"

namespace genvora {

namespace {
StderrHost& DefaultHost() {
  static StderrHost host;
  return host;
}
IHost* g_host = nullptr;
}  // namespace

MsgAnswer DefaultAnswerOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    case MsgButtons::RetryCancel: return MsgAnswer::Retry;
    case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
  }
  return MsgAnswer::Ok;
}

IHost& Host() { return g_host != nullptr ? *g_host : DefaultHost(); }
void SetHost(IHost* host) { g_host = host; }

MsgAnswer StderrHost::MessageBox(const AnsiString& text, const AnsiString& caption, MsgButtons buttons,
                                 MsgKind /*kind*/) {
  std::fprintf(stderr, "[%s] %s\n", AnsiToUtf8(caption).c_str(), AnsiToUtf8(text).c_str());
  return DefaultAnswerOf(buttons);
}

void StderrHost::Progress(const AnsiString& what, std::int64_t done, std::int64_t total) {
  if (total <= 0 || !isatty(STDERR_FILENO)) return;
  std::int64_t percent = done * 100 / total;
  if (percent == lastShownPercent_ && done < total) return;
  lastShownPercent_ = percent;
  std::fprintf(stderr, "\r%s: %3lld%%", AnsiToUtf8(what).c_str(), static_cast<long long>(percent));
  if (done >= total) {
    std::fputc('\n', stderr);
    lastShownPercent_ = -1;
  }
}

RecordingHost::RecordingHost() : previous_(g_host) { SetHost(this); }
RecordingHost::~RecordingHost() { SetHost(previous_); }

MsgAnswer RecordingHost::MessageBox(const AnsiString& text, const AnsiString& caption, MsgButtons buttons,
                                    MsgKind kind) {
  MsgAnswer answer = DefaultAnswerOf(buttons);
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  messages.push_back({text, caption, buttons, kind, answer});
  return answer;
}

void RecordingHost::Progress(const AnsiString& what, std::int64_t done, std::int64_t total) {
  progress.push_back({what, done, total});
}

bool RecordingHost::CoherenceDialog(const AnsiString& name, const std::vector<AnsiString>& lines, bool& accepted) {
  coherences.push_back({name, lines, accepted});
  if (coherenceAnswers_.empty()) return false;
  const bool answer = coherenceAnswers_.front();
  coherenceAnswers_.pop_front();
  const bool changed = answer != accepted;
  accepted = answer;
  return changed;
}

bool RecordingHost::Showed(const AnsiString& text) const {
  for (const auto& m : messages) {
    if (m.text == text) return true;
  }
  return false;
}

}  // namespace genvora
