// savfimg: makes, lists and checks save-file images.
//   savfimg create MANIFEST OUT [--size BYTES]
//   savfimg list IMAGE
//   savfimg validate IMAGE
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "savf/file_io.h"
#include "savf/generated_content.h"
#include "savf/image_reader.h"
#include "savf/image_writer.h"
#include "savf/manifest.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
  std::cerr << "usage: savfimg create MANIFEST OUT [--size BYTES]\n"
               "       savfimg list IMAGE\n"
               "       savfimg validate IMAGE\n";
  return kUsageError;
}

int Fail(const std::string& message) {
  std::cerr << "savfimg: " << message << "\n";
  return 1;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Opens every object's content: its file, relative to the manifest, or the generated stand-in.
bool OpenContents(savf::Manifest& manifest, const std::string& baseDirectory,
                  std::vector<std::unique_ptr<savf::ByteSource>>& contents, std::string& error) {
  for (std::size_t i = 0; i < manifest.description.objects.size(); ++i) {
    savf::SavedObject& object = manifest.description.objects[i];
    const std::string& file = manifest.contentFiles[i];
    if (file.empty()) {
      contents.push_back(std::make_unique<savf::GeneratedContent>(object));
      continue;
    }
    const std::string path = file[0] == '/' ? file : baseDirectory + file;
    std::unique_ptr<savf::FileSource> source = savf::FileSource::Open(path);
    if (!source) {
      error = "cannot read " + path + " (content of " + object.name + ")";
      return false;
    }
    object.size = source->Size();
    contents.push_back(std::move(source));
  }
  return true;
}

int Create(const std::vector<std::string>& args) {
  if (args.size() != 2 && !(args.size() == 4 && args[2] == "--size")) return Usage();
  std::string text;
  if (!savf::ReadWholeFile(args[0], text)) return Fail("cannot read " + args[0]);
  savf::ManifestResult parsed = savf::ParseManifest(text);
  if (!parsed.ok) return Fail(args[0] + ": " + parsed.error);
  savf::Manifest& manifest = parsed.manifest;
  if (args.size() == 4 && !savf::ParseSize(args[3], manifest.minimumSize))
    return Fail("--size needs a number of bytes");
  std::vector<std::unique_ptr<savf::ByteSource>> contents;
  std::string error;
  if (!OpenContents(manifest, DirectoryOf(args[0]), contents, error)) return Fail(error);
  std::vector<savf::ByteSource*> sources;
  for (const auto& content : contents) sources.push_back(content.get());
  std::unique_ptr<savf::AtomicFileSink> sink = savf::AtomicFileSink::Create(args[1]);
  if (!sink) return Fail("cannot create " + args[1]);
  const savf::WriteResult written = savf::WriteImage(manifest.description, sources, manifest.minimumSize, *sink);
  if (!written.ok) return Fail(written.error);
  if (!sink->Commit(true)) return Fail("cannot write " + args[1]);
  std::cout << args[1] << ": " << written.imageSize << " bytes, " << written.imageSize / savf::kRecordLength
            << " records, " << manifest.description.objects.size() << " objects\n";
  return 0;
}

std::string Column(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

void PrintInfo(const savf::ImageInfo& info) {
  std::cout << "Save command: " << info.command << "\n"
            << "Library:      " << info.library << "\n"
            << "Release:      " << info.release << "\n"
            << "Text:         " << info.text << "\n"
            << "Image size:   " << info.imageSize << " bytes (" << info.imageSize / savf::kRecordLength << " records)\n"
            << "Objects:      " << info.objects.size() << "\n";
  std::cout << Column("Object", 11) << Column("Type", 11) << Column("Attribute", 11) << "Size\n";
  for (const savf::ImageObject& item : info.objects) {
    std::cout << Column(item.object.name, 11) << Column(item.object.type, 11) << Column(item.object.attribute, 11)
              << item.object.size << "\n";
  }
}

int ReadCommand(const std::vector<std::string>& args, bool verify) {
  if (args.size() != 1) return Usage();
  std::unique_ptr<savf::FileSource> source = savf::FileSource::Open(args[0]);
  if (!source) return Fail("cannot read " + args[0]);
  const savf::ReadResult result = verify ? savf::VerifyImage(*source) : savf::ReadImage(*source);
  if (!result.ok) return Fail(args[0] + ": " + result.error);
  if (verify) {
    std::cout << args[0] << ": valid, " << result.info.objects.size() << " objects saved from " << result.info.library
              << "\n";
  } else {
    PrintInfo(result.info);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "create") return Create(args);
  if (command == "list") return ReadCommand(args, false);
  if (command == "validate") return ReadCommand(args, true);
  return Usage();
}
