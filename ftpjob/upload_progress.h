#pragma once
// How far a job's uploads have come, read from the ftp client's log while the job runs.
//
// The installer puts "hash" into every job's script, so the client writes a '#' for each 2,048
// bytes it sends, all of one upload's marks on one line. While a job runs, the installer polls
// the log (every 100 ms), hands Feed() whatever the client has appended since the last poll, and
// shows BytesSent() of TotalBytes() in the progress window's bar once MarksSeen(), a marquee
// before that and whenever !Uploading() (the host is working). A log that shrinks, restarts or
// cannot be read is the caller's to notice; it calls Reset(), and the bar is a marquee again.
//
// Which upload the marks belong to comes from the client's echo of each put command
// ("ftp> put ..."): the n-th echo starts the n-th size given. A put of under 2,048 bytes shows no
// marks and a refused one none either; the host's completion reply (226 or 250 after its 125 or
// 150) completes a put, so a small put and an upload's last partial block count too. The client's
// own words, which it writes in the user's language, are never read. '#' counts only in a line of
// marks alone, never in a server's reply.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class UploadProgress {
 public:
  // The sizes of the files the job puts, in the order of its put commands.
  explicit UploadProgress(std::vector<std::uint64_t> putSizes);

  // The next bytes of the log; a poll may end anywhere, inside a line or a run of marks.
  void Feed(std::string_view appended);
  // Forgets everything read so far, as if the log were empty.
  void Reset();

  // Bytes sent over the whole job, each put counted up to its own size.
  std::uint64_t BytesSent() const { return sentBeforeCurrent_ + CurrentPutBytes(); }
  std::uint64_t TotalBytes() const { return totalBytes_; }
  bool MarksSeen() const { return marksSeen_; }
  // Marks of an upload are arriving: its line of marks has begun and not ended yet.
  bool Uploading() const { return kind_ == LineKind::kMarks && HasCurrentPut(); }

 private:
  enum class LineKind { kStart, kMarks, kOther };

  void TakeMarks(std::string_view& rest);
  void TakeOtherBytes(std::string_view& rest);
  void EndLine();
  void LeaveMarksLine();  // the line turned out to be more than marks: its marks never count
  void TakeReply(std::string_view line);
  void StartNextPut();
  bool HasCurrentPut() const { return putsEchoed_ > 0 && putsEchoed_ <= sizes_.size(); }
  std::uint64_t CurrentPutBytes() const;

  std::vector<std::uint64_t> sizes_;
  std::uint64_t totalBytes_ = 0;

  std::size_t putsEchoed_ = 0;  // the current put is the last one echoed
  std::uint64_t sentBeforeCurrent_ = 0;
  std::uint64_t currentMarks_ = 0;  // the current put's marks, the current line's included
  bool transferOpen_ = false;       // the host began the current put's transfer, not ended it yet
  bool currentCompleted_ = false;   // the host said the current put arrived whole
  bool marksSeen_ = false;
  bool marksSeenBeforeLine_ = false;

  // The line being read.
  LineKind kind_ = LineKind::kStart;
  std::uint64_t lineMarks_ = 0;
  std::string head_;  // the first bytes of a line that is not marks, enough to recognise it
};
