// brennic_picture_digest: loads each file named through the real loader and prints a line:
//   <path> TAB OK TAB <width>x<height> TAB <digest of the 24-bit buffer> TAB <milliseconds>
//   <path> TAB REFUSED TAB <error number> TAB <description> TAB <milliseconds>

#include <QByteArray>
#include <QCryptographicHash>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "image/cDIBSection.h"
#include "image/cError.h"
#include "platform/PictureIO.h"

namespace {

// "OK <size> <digest>" or "REFUSED <number> <description>", tab-separated.
template <typename Load>
std::string Outcome(Load load) {
  try {
    const std::unique_ptr<brennic::cDIBSection> dib = load();
    if (dib->DIBSectionBitsPtr() == nullptr) throw std::runtime_error("no image buffer");
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(dib->DIBSectionBitsPtr()),
                                static_cast<qsizetype>(dib->BytesPerScanLine() * dib->Height()));
    return "OK\t" + std::to_string(dib->Width()) + "x" + std::to_string(dib->Height()) + "\t" +
           QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString();
  } catch (const brennic::cError& e) {
    return "REFUSED\t" + std::to_string(e.Number()) + "\t" + e.Description();
  } catch (const std::exception& e) {
    return "FAILED\t0\t" + std::string(e.what());
  }
}

std::string LoadOne(const std::string& sPath) {
  const auto tStart = std::chrono::steady_clock::now();
  std::string sResult = Outcome([&] {
    auto dib = std::make_unique<brennic::cDIBSection>();
    dib->CreateFromPicture(*brennic::LoadPicture(sPath));
    return dib;
  });
  const auto tTaken = std::chrono::steady_clock::now() - tStart;
  // The straight load into an image buffer must end the same way.
  const std::string sStraight = Outcome([&] { return brennic::LoadPictureImage(sPath); });
  if (sStraight != sResult) {
    std::fprintf(stderr, "%s: the straight load differs: %s\n", sPath.c_str(), sStraight.c_str());
  }
  return sResult + "\t" +
         std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(tTaken).count());
}

}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string sPath = argv[i];
    const std::string sLine = sPath + "\t" + LoadOne(sPath) + "\n";
    std::fputs(sLine.c_str(), stdout);
    std::fflush(stdout);
  }
  return 0;
}
