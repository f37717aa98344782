// Runs tandrel.exe hands-free for the demo, the screenshots and the benchmark:
//   autopilot install PROGRAM        press Enter, answer every message box, wait for the end
//   autopilot shot PROGRAM DIR       save the dialog and the About box as DIR\dialog.bmp, DIR\about.bmp
//   autopilot start PROGRAM CAPTION  time from start to the dialog ready for input, then close it
//   autopilot run PROGRAM ARGS       time a program from start to end
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tools/ui_driver.h"

static double Now()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

static int Install(Program& program, HWND dlg)
{
    double start = Now();
    HWND ok = GetDlgItem(dlg, IDOK);
    PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 1);  // not waited for: the install is what is timed
    PostMessageW(ok, WM_KEYUP, VK_RETURN, 0xC0000001);
    DWORD code = 0;
    for (int waited = 0; !program.WaitExit(100, code); ++waited) {
        if (waited > 5 * 60 * 10) {
            std::fprintf(stderr, "tandrel did not end\n");
            return 1;
        }
        Box box = program.WaitBox(dlg, 0);
        if (box.hwnd && IsWindowVisible(box.hwnd)) {
            std::printf("message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
            CloseBox(box);
        }
    }
    std::printf("tandrel ended with exit code %lu\n", code);
    std::printf("install_ms %.1f\n", Now() - start);
    return 0;
}

// Saves what the screen shows of a window as a 24-bit BMP.
static bool SaveWindow(HWND hwnd, const std::string& path)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(h));
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(&bf, sizeof bf, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    return std::fclose(f) == 0;
}

static int Shoot(Program& program, HWND dlg, const std::string& dir)
{
    Sleep(300);  // let the window manager-less X server finish drawing
    bool ok = SaveWindow(dlg, dir + "\\dialog.bmp");
    program.Post(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program.WaitDialog("About Tandrel");
    if (about) {
        program.Idle();
        Sleep(300);
        ok = SaveWindow(about, dir + "\\about.bmp") && ok;
        program.Press(GetDlgItem(about, IDOK), VK_ESCAPE);
    }
    program.Post(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 0;
    return ok && about && program.WaitExit(10000, code) ? 0 : 1;
}

// An argument as the driver takes it: from the ANSI code page to UTF-8.
static std::string Utf8(const char* ansi)
{
    std::wstring wide(strlen(ansi) + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return ToUtf8(wide);
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: autopilot install|shot|start|run PROGRAM [...]\n");
        return 2;
    }
    std::string mode = argv[1];
    std::string args;
    for (int i = 3; mode == "run" && i < argc; ++i)
        args += std::string(i > 3 ? " " : "") + Utf8(argv[i]);
    Program program;
    double start = Now();
    if (!program.Start(Utf8(argv[2]), args)) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 1;
    }
    DWORD code = 0;
    if (mode == "run") {
        program.WaitExit(INFINITE, code);
        std::printf("run_ms %.1f\n", Now() - start);
        return static_cast<int>(code);
    }
    HWND dlg = program.WaitDialog(mode == "start" && argc > 3 ? argv[3] : "Tandrel", 20000);
    if (!dlg) {
        std::fprintf(stderr, "the dialog did not appear\n");
        return 1;
    }
    if (mode == "start") {
        program.WaitInputIdle();
        std::printf("ready_ms %.1f\n", Now() - start);
        program.Post(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        return program.WaitExit(10000, code) ? 0 : 1;
    }
    program.Idle();
    if (mode == "shot")
        return Shoot(program, dlg, argc > 3 ? argv[3] : ".");
    return Install(program, dlg);
}
