// snapshot_cpp: the C++ interface from start to end: list the cameras, stream a few frames to a
// callback, take one picture and save it.
#include <TravikSdk.hpp>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The file form for a file name's extension; BMP when there is none.
travik::FileType FileTypeFor(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : path.substr(dot);
    if (_stricmp(extension.c_str(), ".raw") == 0) return travik::FileType::Raw;
    if (_stricmp(extension.c_str(), ".jpg") == 0) return travik::FileType::Jpeg100;
    if (_stricmp(extension.c_str(), ".png") == 0) return travik::FileType::Png;
    if (_stricmp(extension.c_str(), ".tif") == 0) return travik::FileType::Tiff;
    return travik::FileType::Bmp;
}

int Fail(const char* step, travik::Error error) {
    std::fprintf(stderr, "snapshot_cpp: %s failed: %s (%d)\n", step, error.text(), error.code());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: snapshot_cpp [FILE.bmp|.raw|.jpg|.png|.tif]\n");
        return 2;
    }
    const std::string path = argc > 1 ? argv[1] : "snapshot_cpp.bmp";

    // Device 0 first, only to list what is present; then the first present device.
    auto probe = travik::Camera::open(0);
    if (!probe) return Fail("opening the SDK", probe.error());
    auto devices = probe->devices();
    if (!devices || devices->empty()) return Fail("finding a camera", travik::Error(ERR_DEVICE));
    const travik::Device first = devices->front();
    probe->close();
    std::printf("camera: %s\n", first.name.c_str());

    auto camera = travik::Camera::open(first.number); // released when it goes out of scope
    if (!camera) return Fail("opening the camera", camera.error());
    if (auto error = camera->setColorMode(travik::ColorMode::Bgr24))
        return Fail("choosing 24-bit colour", error);

    // Frames arrive through this thread's message loop, here pumped until five have come.
    long long brightest = 0;
    auto error = camera->onFrame([&](const travik::FrameView& frame) {
        long long sum = 0;
        for (int x = 0; x < frame.width * frame.bits / 8; ++x)
            sum += frame.pixels[x];
        if (sum > brightest) brightest = sum;
    });
    if (error) return Fail("starting the stream", error);
    const bool streamed =
        travik::pumpMessages(10000, [&] { return camera->framesDelivered() >= 5; });
    camera->stopPreview();
    if (!streamed) return Fail("streaming five frames", camera->streamError());
    std::printf("streamed %lld frames\n", camera->framesDelivered());

    auto picture = camera->snap();
    if (!picture) return Fail("taking the picture", picture.error());
    if (auto saved = camera->save(path, FileTypeFor(path)))
        return Fail("saving the picture", saved);
    std::printf("saved %s (%d x %d, %d bits)\n", path.c_str(), picture->width, picture->height,
                picture->bits);
    return 0;
}
