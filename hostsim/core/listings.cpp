#include "hostsim/core/listings.h"

#include "hostsim/core/cl_simulator.h"

namespace hostsim {
namespace {

constexpr char kEndMarker[] = "                       * * * * *  E N D  O F  L I S T I N G  * * * * *";

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string RightAligned(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PageHeading(const std::string& title) {
  return Padded(std::string("5770SS1 ") + kHostRelease + " 220415", 40) + Padded(title, 70) + "Page    1";
}

std::string Label(const std::string& label, const std::string& value) {
  std::string dotted = "  " + label + " ";
  while (dotted.size() < 44) dotted += dotted.size() % 2 == 0 ? ". " : " ";
  return Padded(dotted, 44) + ":   " + value;
}

std::string ObjectLine(const savf::SavedObject& object) {
  const std::string attribute = object.attribute == "-" ? std::string() : object.attribute;
  return "   " + Padded(object.name, 12) + Padded(object.type, 10) + Padded(attribute, 10) +
         RightAligned(std::to_string(object.size), 16);
}

}  // namespace

std::vector<std::string> LibraryListing(const std::string& library, const std::vector<savf::SavedObject>& objects) {
  std::vector<std::string> lines = {PageHeading("Display Library"),
                                    "",
                                    Label("Library", library),
                                    Label("Type", "PROD"),
                                    Label("Number of objects", std::to_string(objects.size())),
                                    "",
                                    "   Object      Type      Attribute             Size  Description"};
  std::uint64_t total = 0;
  for (const savf::SavedObject& object : objects) {
    lines.push_back(ObjectLine(object));
    total += object.size;
  }
  lines.push_back("                     Total size :" + RightAligned(std::to_string(total), 18));
  lines.push_back(kEndMarker);
  return lines;
}

std::vector<std::string> SaveFileListing(const std::string& file, const std::string& fileLibrary,
                                         const savf::ImageInfo& image) {
  std::vector<std::string> lines = {PageHeading("Display Saved Objects - Save File"),
                                    "",
                                    Label("Save file", file),
                                    Label("  Library", fileLibrary),
                                    Label("Library saved", image.library),
                                    Label("Save command", image.command),
                                    Label("Target release", image.release),
                                    "",
                                    "   Object      Type      Attribute             Size"};
  if (image.command == "SAVLIB") lines.push_back(ObjectLine({image.library, "*LIB", "PROD", 0}));
  for (const savf::ImageObject& item : image.objects) lines.push_back(ObjectLine(item.object));
  lines.push_back(kEndMarker);
  return lines;
}

std::vector<std::string> WithPrintControl(const std::vector<std::string>& lines) {
  std::vector<std::string> records;
  for (std::size_t i = 0; i < lines.size(); ++i) records.push_back((i == 0 ? "001 " : "   1") + lines[i]);
  return records;
}

}  // namespace hostsim
