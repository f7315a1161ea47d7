// The host the engine runs in: message boxes, progress and the message pump.
//
// The engine never talks to a terminal or a window itself; it asks the host
// in force. The default host prints messages to stderr and answers each box
// with its default button; the tool installs it, tests install a
// RecordingHost and check what was shown. Texts cross this interface as
// AnsiString (Windows-1252), like every engine text.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace genvora {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The answer a box gives when nobody is there to click: its first button.
MsgAnswer DefaultAnswerOf(MsgButtons buttons);

class IHost {
 public:
  virtual ~IHost() = default;

  // Shows a blocking message box and answers the button chosen.
  virtual MsgAnswer MessageBox(const AnsiString& text, const AnsiString& caption, MsgButtons buttons,
                               MsgKind kind) = 0;

  // Progress of a long operation: `done` of `total` steps of `what`
  // (total 0 = unknown). Called often; a host throttles its display itself.
  virtual void Progress(const AnsiString& what, std::int64_t done, std::int64_t total) = 0;

  // Lets the host handle its pending events from inside a long loop; the host
  // may re-enter the engine from here.
  virtual void ProcessMessages() = 0;

  // State of the Control key, which some operations read to change their
  // behaviour. A host without a keyboard answers false.
  virtual bool ControlKeyDown() { return false; }

  // Whether this host writes database files on the user's behalf: it may
  // offer to save after a failure and have the file tagged for a check. A
  // host that only reads answers false, and nothing is written for it.
  virtual bool SavesFiles() const { return false; }

  // The coherence dialog: shows a person's name and the lines of the
  // consistency control with an "accepted" box holding `accepted`. Answers
  // whether the user changed the box (`accepted` then holds the new state).
  // A host without a screen shows nothing and never accepts.
  virtual bool CoherenceDialog(const AnsiString& name, const std::vector<AnsiString>& lines, bool& accepted) {
    (void)name;
    (void)lines;
    (void)accepted;
    return false;
  }
};

// The host in force (never null) and its replacement. SetHost(nullptr)
// restores the default host. The caller keeps ownership.
IHost& Host();
void SetHost(IHost* host);

// Shorthands used throughout the engine.
inline MsgAnswer ShowMessage(const AnsiString& text, const AnsiString& caption,
                             MsgButtons buttons = MsgButtons::Ok, MsgKind kind = MsgKind::Information) {
  return Host().MessageBox(text, caption, buttons, kind);
}
inline void V5ProcessMessage() { Host().ProcessMessages(); }

// Shows nothing and answers every box with its default button: batch work
// that nobody watches (benchmarks, fuzzing).
class QuietHost : public IHost {
 public:
  MsgAnswer MessageBox(const AnsiString&, const AnsiString&, MsgButtons buttons, MsgKind) override {
    return DefaultAnswerOf(buttons);
  }
  void Progress(const AnsiString&, std::int64_t, std::int64_t) override {}
  void ProcessMessages() override {}
};

// Prints boxes to stderr (UTF-8) and answers the default button; progress is
// shown on a terminal only.
class StderrHost : public IHost {
 public:
  MsgAnswer MessageBox(const AnsiString& text, const AnsiString& caption, MsgButtons buttons,
                       MsgKind kind) override;
  void Progress(const AnsiString& what, std::int64_t done, std::int64_t total) override;
  void ProcessMessages() override {}

 private:
  std::int64_t lastShownPercent_ = -1;
};

// Records everything for tests. Scripted answers are consumed in order; when
// none is left a box gets its default answer.
class RecordingHost : public IHost {
 public:
  struct Message {
    AnsiString text;
    AnsiString caption;
    MsgButtons buttons;
    MsgKind kind;
    MsgAnswer answer;
  };
  struct ProgressStep {
    AnsiString what;
    std::int64_t done;
    std::int64_t total;
  };

  RecordingHost();   // installs itself as the host in force
  ~RecordingHost() override;  // restores the host that was in force

  MsgAnswer MessageBox(const AnsiString& text, const AnsiString& caption, MsgButtons buttons,
                       MsgKind kind) override;
  void Progress(const AnsiString& what, std::int64_t done, std::int64_t total) override;
  void ProcessMessages() override { ++pumps; }
  bool ControlKeyDown() override { return controlKeyDown; }
  bool SavesFiles() const override { return savesFiles; }

  // Records the dialog; a queued state is what the user leaves the box at.
  bool CoherenceDialog(const AnsiString& name, const std::vector<AnsiString>& lines, bool& accepted) override;
  struct Coherence {
    AnsiString name;
    std::vector<AnsiString> lines;
    bool acceptedBefore;
  };
  void QueueCoherence(bool accepted) { coherenceAnswers_.push_back(accepted); }
  std::vector<Coherence> coherences;

  void QueueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
  bool Showed(const AnsiString& text) const;
  void Clear() { messages.clear(); progress.clear(); pumps = 0; }

  std::vector<Message> messages;
  std::vector<ProgressStep> progress;
  std::int64_t pumps = 0;
  bool controlKeyDown = false;
  bool savesFiles = false;

 private:
  std::deque<MsgAnswer> answers_;
  std::deque<bool> coherenceAnswers_;
  IHost* previous_;
};

}  // namespace genvora
