#include "cli/cli_records.h"

#include "cli/cli_device.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "config/picture_reader.h"
#include "config/record_reader.h"
#include "protocol/picture_stream.h"
#include "protocol/record_batch.h"

namespace {

std::string Seconds(int ms) { return std::to_string(ms / 1000) + " s"; }

// A read that ended because the port went away says so, not that the device fell silent.
int PortWentAway(const CliOptions& o, CliOutput& out, const std::string& what) {
  out.Error(what + ": the port " + (o.ports.empty() ? std::string() : o.ports.front()) +
            " went away; no file written");
  return kExitPort;
}

}  // namespace

int ReadRecordsToFile(CliDevice& device, const CliOptions& o, CliOutput& out, bool inPlace,
                      const CliFailure& failed) {
  RecordReader& reader = device.Machine().Records();
  const std::string range =
      (o.channel == 0 ? std::string("all channels") : "channel " + std::to_string(o.channel)) +
      " from " + FormatRecordDate(o.from) + " to " + FormatRecordDate(o.to);
  const std::string what = "reading the records of " + range;
  out.Progress("Reading the records of " + range + " ...");
  reader.SetProgressObserver([&out, inPlace](int n) {
    const std::string text = std::to_string(n) + " records";
    if (inPlace) {
      out.Status(text);
    } else {
      out.Progress(text);
    }
  });
  device.ResetOperationBytes();
  if (!reader.Request(o.channel, o.from, o.to)) {
    out.Error("a record read is already under way");
    return kExitRefused;
  }
  device.RunPendingRequest();
  reader.SetProgressObserver({});
  const RecordReadEnd end = reader.End();
  if (reader.State() != ExportState::Finished) {
    reader.SetIdle();
    if (device.Vanished()) return PortWentAway(o, out, what);
    switch (end) {
      case RecordReadEnd::Silence:
        out.Error(what + ": the device stopped answering after " +
                  std::to_string(reader.Records()) + " records; no file written");
        return device.Vanished() ? kExitPort : kExitNoAnswer;
      case RecordReadEnd::Cancelled:
        out.Error(what + " cancelled (interrupted) after " + std::to_string(reader.Records()) +
                  " records; no file written");
        return kExitCancelled;
      case RecordReadEnd::Garbled:
        out.Error(what + ": the device sent something that is no record batch; no file written");
        return kExitRefused;
      default:
        return failed(what);
    }
  }
  reader.SetIdle();
  if (end == RecordReadEnd::TimedOut) {
    out.Notice("the read was ended after " + Seconds(static_cast<int>(reader.ElapsedMs())) +
               "; the file holds the records that came until then");
  }
  std::string error;
  if (!WriteOutputFile(out, o.output, RecordFileText(reader.Text()), &error)) {
    out.Error("cannot write " + (error.empty() ? o.output : error));
    return kExitFile;
  }
  SayWritten(out, o.output, std::to_string(reader.Records()) + " records");
  return kExitOk;
}

int SnapshotToFile(CliDevice& device, const CliOptions& o, CliOutput& out,
                   const CliFailure& failed) {
  PictureReader& reader = device.Machine().Pictures();
  const std::string what = "taking a picture with camera " + std::to_string(o.camera);
  out.Progress("Taking a picture with camera " + std::to_string(o.camera) + " ...");
  device.ResetOperationBytes();
  if (!reader.Request(o.camera)) {
    out.Error("a snapshot is already under way");
    return kExitRefused;
  }
  device.RunPendingRequest();
  const PictureReadEnd end = reader.End();
  reader.SetIdle();
  if (end != PictureReadEnd::Complete && device.Vanished()) return PortWentAway(o, out, what);
  switch (end) {
    case PictureReadEnd::Complete:
      break;
    case PictureReadEnd::Cancelled:
      out.Error(what + " cancelled (interrupted) after " + std::to_string(reader.Received()) +
                " bytes; no file written");
      return kExitCancelled;
    case PictureReadEnd::TooLarge:
      out.Error(what + ": the device announced a picture of no size or larger than " +
                std::to_string(kPictureMaxBytes) + " bytes; no file written");
      return kExitRefused;
    case PictureReadEnd::TimedOut:
      out.Error(what + ": the picture did not come within " + Seconds(kPictureLimitMs) + " (" +
                std::to_string(reader.Received()) + " of " + std::to_string(reader.Length()) +
                " bytes); no file written");
      return device.Vanished() ? kExitPort : kExitNoAnswer;
    default:
      return failed(what);
  }
  const std::string jpeg = reader.Picture();
  std::string error;
  if (!WriteOutputFile(out, o.output, jpeg, &error)) {
    out.Error("cannot write " + (error.empty() ? o.output : error));
    return kExitFile;
  }
  SayWritten(out, o.output, std::to_string(jpeg.size()) + " bytes");
  return kExitOk;
}
