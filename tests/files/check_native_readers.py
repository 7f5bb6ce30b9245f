#!/usr/bin/env python3
"""Reads the files of files_sample_files with readers that share no code with the writers:
tiffinfo, pngcheck, ffprobe/ffmpeg and Python's PIL, whichever are installed; and the recordings
travikcam makes, uncompressed and MJPEG."""
import argparse
import os
import shutil
import struct
import subprocess
import sys

W, H = 33, 17
failures = []
checked = set()


def fail(name, message):
    failures.append(f"{name}: {message}")


def red(x): return 7 * x
def green(y): return 14 * y
def gray(x, y): return 6 * x + 3 * y


def expected_rgb(x, y): return (red(x), green(y), 100)


POINTS = [(0, 0), (W - 1, 0), (5, 3), (16, 8), (0, H - 1), (W - 1, H - 1), (27, 12)]


def run(*args):
    return subprocess.run(args, capture_output=True, text=True)


def check_tiffinfo(path, name, bits, samples):
    if not shutil.which("tiffinfo"):
        return
    checked.add("tiffinfo")
    out = run("tiffinfo", path)
    text = out.stdout
    if out.returncode != 0:
        fail(name, f"tiffinfo failed: {out.stderr.strip()}")
    for want in (f"Image Width: {W} Image Length: {H}", f"Bits/Sample: {bits}",
                 f"Samples/Pixel: {samples}", "Compression Scheme: None",
                 "Planar Configuration: single image plane"):
        if want not in text:
            fail(name, f"tiffinfo lacks '{want}'")
    if "Rows/Strip" in text:
        fail(name, "a RowsPerStrip tag was written")


def check_pngcheck(path, name):
    if not shutil.which("pngcheck"):
        return
    checked.add("pngcheck")
    out = run("pngcheck", path)
    if out.returncode != 0 or "OK" not in out.stdout:
        fail(name, f"pngcheck: {out.stdout.strip()} {out.stderr.strip()}")


def close(a, b, tolerance):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def check_pil(path, name, kind, tolerance):
    try:
        from PIL import Image
    except ImportError:
        return
    checked.add("PIL")
    try:
        im = Image.open(path)
        im.load()
    except Exception as error:  # noqa: BLE001 - any reader failure is the finding
        fail(name, f"PIL cannot read it: {error}")
        return
    if im.size != (W, H):
        fail(name, f"PIL size {im.size}")
        return
    if name.endswith(".jpg") and not im.info.get("progressive"):
        fail(name, "JPEG is not progressive")
    for x, y in POINTS:
        pixel = im.getpixel((x, y))
        if kind == "gray":
            want, got = (gray(x, y),), (pixel if isinstance(pixel, tuple) else (pixel,))[:1]
        elif kind == "gray16":
            want, got = (gray(x, y) * 4 << 6,), (pixel,)
        else:
            want, got = expected_rgb(x, y), pixel[:3]
        if not close(got, want, tolerance):
            fail(name, f"PIL pixel ({x},{y}) is {pixel}, expected {want}")
            return
        if kind == "rgba" and pixel[3] != 255:
            fail(name, f"PIL alpha at ({x},{y}) is {pixel[3]}, expected 255")
            return


def check_bmp_header(path, name, bits, offset):
    data = open(path, "rb").read()
    stride = (W * bits // 8 + 3) & ~3
    if data[:2] != b"BM" or struct.unpack_from("<I", data, 2)[0] != len(data):
        fail(name, "BMP file size field wrong")
    if struct.unpack_from("<I", data, 10)[0] != offset or len(data) != offset + H * stride:
        fail(name, f"BMP offset/length wrong: {len(data)}")
    if struct.unpack_from("<iiHH", data, 18) != (W, H, 1, bits):
        fail(name, "BMP header wrong")


def check_avi(path, name):
    if shutil.which("ffprobe"):
        checked.add("ffprobe")
        out = run("ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                  "-show_entries", "stream=codec_name,width,height,nb_read_frames,r_frame_rate",
                  "-of", "default=noprint_wrappers=1", path)
        fields = dict(line.split("=", 1) for line in out.stdout.split() if "=" in line)
        want = {"codec_name": "rawvideo", "width": str(W), "height": str(H),
                "nb_read_frames": "5", "r_frame_rate": "25/1"}
        if out.returncode != 0 or out.stderr.strip():
            fail(name, f"ffprobe complains: {out.stderr.strip()}")
        for key, value in want.items():
            if fields.get(key) != value:
                fail(name, f"ffprobe {key}={fields.get(key)}, expected {value}")
    if shutil.which("ffmpeg"):
        checked.add("ffmpeg")
        out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", "1", "-f",
                              "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True)
        frame = out.stdout
        if len(frame) != W * H * 3:
            fail(name, f"ffmpeg decoded {len(frame)} bytes")
            return
        for x, y in POINTS:
            got = tuple(frame[(y * W + x) * 3:(y * W + x) * 3 + 3])
            if got != expected_rgb(x, y):
                fail(name, f"frame pixel ({x},{y}) is {got}, expected {expected_rgb(x, y)}")
                return


CLIP_W, CLIP_H = 320, 240


def check_long_clip(path, name, first_riff_only=False):
    """A clip of several RIFFs: every frame read, in order, with the bytes it was given."""
    data = open(path, "rb").read()
    if first_riff_only:
        # The first RIFF alone, as a reader that knows only AVI 1.0 sees the file.
        data = data[:8 + struct.unpack_from("<I", data, 4)[0]]
        path = path + ".first"
        open(path, "wb").write(data)
        frames = struct.unpack_from("<I", data, 48)[0]  # the main header counts this RIFF
    else:
        frames = struct.unpack_from("<I", data, 140)[0]  # the stream length counts them all
        if data.count(b"AVIX") < 2:
            fail(name, "fewer than three RIFFs")
    if not shutil.which("ffprobe") or not shutil.which("ffmpeg"):
        return
    checked.add("ffprobe")
    probe = run("ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                "-show_entries", "stream=width,height,nb_read_frames",
                "-of", "default=noprint_wrappers=1", path)
    fields = dict(line.split("=", 1) for line in probe.stdout.split() if "=" in line)
    if probe.returncode != 0 or probe.stderr.strip():
        fail(name, f"ffprobe complains: {probe.stderr.strip()}")
    want = {"width": str(CLIP_W), "height": str(CLIP_H), "nb_read_frames": str(frames)}
    for key, value in want.items():
        if fields.get(key) != value:
            fail(name, f"ffprobe {key}={fields.get(key)}, expected {value}")
    decoded = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo",
                              "-pix_fmt", "bgr24", "-"], capture_output=True).stdout
    size = CLIP_W * CLIP_H * 3
    if len(decoded) != frames * size:
        fail(name, f"ffmpeg decoded {len(decoded)} bytes, expected {frames} frames")
        return
    pitch = CLIP_W * 3
    for k in range(frames):
        # Data row r (bottom-up) of frame k is (r + k) & 255; ffmpeg gives rows top-down.
        want_frame = b"".join(bytes([(r + k) & 255]) * pitch for r in reversed(range(CLIP_H)))
        if decoded[k * size:(k + 1) * size] != want_frame:
            fail(name, f"frame {k} differs from what was recorded")
            return


def check_camera_files(args, out, windows_dir):
    """travikcam on the virtual camera: a recording and a picture in each form, as users make them."""
    def cam(*words):
        return subprocess.run([args.wine, args.travikcam, *words], capture_output=True, text=True)

    name = "camera.avi"
    run = cam("record", "--ms", "1000", "--color", "24", "-o", windows_dir + "\\" + name)
    if run.returncode != 0:
        fail(name, f"travikcam record failed: {run.stdout.strip()} {run.stderr.strip()}")
        return
    path = os.path.join(out, name)
    header = open(path, "rb").read(232)
    frames = struct.unpack_from("<I", header, 48)[0]
    width, height = struct.unpack_from("<II", header, 64)
    if (width, height) != (1280, 960) or frames == 0:
        fail(name, f"header says {frames} frames of {width} x {height}")
    if shutil.which("ffprobe"):
        checked.add("ffprobe")
        probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                                "-show_entries", "stream=width,height,nb_read_frames",
                                "-of", "default=noprint_wrappers=1", path],
                               capture_output=True, text=True)
        fields = dict(line.split("=", 1) for line in probe.stdout.split() if "=" in line)
        if probe.returncode != 0 or probe.stderr.strip():
            fail(name, f"ffprobe complains: {probe.stderr.strip()}")
        want = {"width": "1280", "height": "960", "nb_read_frames": str(frames)}
        for key, value in want.items():
            if fields.get(key) != value:
                fail(name, f"ffprobe {key}={fields.get(key)}, expected {value}")

    for form, file_name in (("png", "camera.png"), ("tiff", "camera.tif"), ("jpeg", "camera.jpg"),
                            ("bmp", "camera.bmp")):
        run = cam("snap", "--format", form, "--color", "24", "-o", windows_dir + "\\" + file_name)
        if run.returncode != 0:
            fail(file_name, f"travikcam snap failed: {run.stdout.strip()} {run.stderr.strip()}")
            continue
        path = os.path.join(out, file_name)
        if form == "png":
            check_pngcheck(path, file_name)
        if form == "tiff" and shutil.which("tiffinfo"):
            text = subprocess.run(["tiffinfo", path], capture_output=True, text=True).stdout
            if "Image Width: 1280 Image Length: 960" not in text:
                fail(file_name, "tiffinfo does not see 1280 x 960")
        try:
            from PIL import Image
        except ImportError:
            continue
        with Image.open(path) as im:
            im.load()
            if im.size != (1280, 960):
                fail(file_name, f"PIL size {im.size}")
                continue
            # The colour bars fill the upper half: white at the left, red at 880.
            white, red = im.getpixel((80, 200)), im.getpixel((880, 200))
            if min(white[:3]) < 150 or red[0] < 150 or max(red[1:3]) > 60:
                fail(file_name, f"bars not on top in RGB order: white {white}, red {red}")


def probe(path):
    out = run("ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
              "-show_entries", "stream=codec_name,width,height,nb_read_frames,pix_fmt",
              "-of", "default=noprint_wrappers=1", path)
    return out, dict(line.split("=", 1) for line in out.stdout.split() if "=" in line)


def sidecar_lines(path):
    with open(path, "rb") as f:
        lines = f.read().split(b"\r\n")
    if lines[0] != b"index,frame_id,host_time_utc,exposure_us,gain,skipped_before" or lines[-1]:
        return None
    return lines[1:-1]


def check_mjpeg_file(path, name, pix_fmt):
    """An MJPEG recording: every frame read as mjpeg, and a sidecar line per frame."""
    frames = struct.unpack_from("<I", open(path, "rb").read(144), 140)[0]
    if frames == 0:
        fail(name, "no frame recorded")
    out, fields = probe(path)
    if out.returncode != 0 or out.stderr.strip():
        fail(name, f"ffprobe complains: {out.stderr.strip()}")
    want = {"codec_name": "mjpeg", "width": "1280", "height": "960", "pix_fmt": pix_fmt,
            "nb_read_frames": str(frames)}
    for key, value in want.items():
        if fields.get(key) != value:
            fail(name, f"ffprobe {key}={fields.get(key)}, expected {value}")
    lines = sidecar_lines(os.path.splitext(path)[0] + ".csv")
    if lines is None or len(lines) != frames:
        fail(name, f"sidecar has {None if lines is None else len(lines)} lines for {frames} frames")


def check_mjpeg_recordings(args, out, windows_dir):
    """travikcam's MJPEG recordings, one file and the files of marks, read by ffprobe."""
    if not shutil.which("ffprobe"):
        return
    checked.add("ffprobe")
    for name, color, pix_fmt in (("colour.avi", "24", "yuvj420p"), ("mono.avi", "8", "gray")):
        cam = subprocess.run([args.wine, args.travikcam, "record", "--ms", "1000", "--color", color,
                              "--codec", "mjpeg", "-o", windows_dir + "\\" + name],
                             capture_output=True, text=True)
        if cam.returncode != 0:
            fail(name, f"travikcam record failed: {cam.stdout.strip()} {cam.stderr.strip()}")
            continue
        check_mjpeg_file(os.path.join(out, name), name, pix_fmt)
    # A mark as soon as the recording waits for one: the line on standard input.
    cam = subprocess.run([args.wine, args.travikcam, "record", "--ms", "2500", "--codec", "mjpeg",
                          "--color", "24", "--pre", "1", "--post", "0.5",
                          "-o", windows_dir + "\\event.avi"],
                         input="\n", capture_output=True, text=True)
    if cam.returncode != 0:
        fail("event.avi", f"travikcam record failed: {cam.stdout.strip()} {cam.stderr.strip()}")
    elif not os.path.exists(os.path.join(out, "event-0001.avi")):
        fail("event.avi", "the mark made no event-0001.avi")
    else:
        check_mjpeg_file(os.path.join(out, "event-0001.avi"), "event-0001.avi", "yuvj420p")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--writer", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--travikcam", help="also check files travikcam makes from the camera")
    args = parser.parse_args()

    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    windows_dir = "Z:" + out.replace("/", "\\")
    result = subprocess.run([args.wine, args.writer, windows_dir])
    if result.returncode != 0:
        print("files_sample_files failed", file=sys.stderr)
        return 1

    def p(name): return os.path.join(out, name)

    for name, bits, offset in (("gray8.bmp", 8, 1078), ("rgb24.bmp", 24, 54), ("rgb32.bmp", 32, 54)):
        check_bmp_header(p(name), name, bits, offset)
    check_pil(p("gray8.bmp"), "gray8.bmp", "gray", 0)
    check_pil(p("rgb24.bmp"), "rgb24.bmp", "rgb", 0)

    for name, kind in (("gray8.jpg", "gray"), ("mono16.jpg", "gray"), ("rgb24.jpg", "rgb"),
                       ("rgb32.jpg", "rgb"), ("rgb48.jpg", "rgb"), ("rgb64.jpg", "rgb")):
        check_pil(p(name), name, kind, 12)
    for name in ("rgb24_q70.jpg", "rgb24_q20.jpg"):
        check_pil(p(name), name, "rgb", 60)

    for name, kind in (("gray8.png", "gray"), ("mono16.png", "gray16"), ("rgb24.png", "rgb"),
                       ("rgb32.png", "rgba"), ("rgb48.png", "rgb"), ("rgb64.png", "rgba")):
        check_pngcheck(p(name), name)
        check_pil(p(name), name, kind, 0)

    for name, bits, samples in (("gray8.tif", 8, 1), ("mono16.tif", 16, 1), ("rgb24.tif", 8, 3),
                                ("rgb32.tif", 8, 4), ("rgb48.tif", 16, 3), ("rgb64.tif", 16, 4)):
        check_tiffinfo(p(name), name, bits, samples)
    check_pil(p("gray8.tif"), "gray8.tif", "gray", 0)
    check_pil(p("mono16.tif"), "mono16.tif", "gray16", 0)
    check_pil(p("rgb24.tif"), "rgb24.tif", "rgb", 0)

    check_avi(p("clip.avi"), "clip.avi")
    check_long_clip(p("odml.avi"), "odml.avi")
    check_long_clip(p("odml.avi"), "odml.avi (first RIFF)", first_riff_only=True)
    check_long_clip(p("cut.avi"), "cut.avi")
    if args.travikcam:
        check_camera_files(args, out, windows_dir)
        check_mjpeg_recordings(args, out, windows_dir)

    for failure in failures:
        print("FAIL", failure)
    if not checked:
        print("no native reader installed: skipped")
        return 77
    print(f"checked with {', '.join(sorted(checked))}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
