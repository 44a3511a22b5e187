// Long runs of the capture path: every zoom step, both scaling paths, Enhance, Invert and the arrow on and
// off, several window sizes down to the minimum, with the pointer wandering over a screen of distinct
// colours and resting between walks. GDI and user objects must come back to exactly the count after warm-up; private memory may
// move a little. OCELLUS_SOAK_CAPTURES sets the number of captures (default 3000; scripts/soak.sh runs
// 100000).
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/mag.h"
#include "app/mag_rules.h"
#include "forms/application.h"
#include "win32/gdiplus.h"
#include "win32/seams.h"
#include "app_support.h"
#include "win_support.h"

using ocellus::TForm1;

namespace {

// Window sizes the run goes through: the design size, two smaller ones and one below the minimum,
// which the window refuses (it stops at 150 x 150).
struct WindowSize {
    int width, height;
    bool client;
};
constexpr WindowSize kSizes[] = {{600, 430, true}, {400, 300, true}, {250, 200, true}, {100, 100, false}};

struct Sample {
    int gdi, user;
    SIZE_T privateBytes;
};

Sample sample() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine leaves PrivateUsage at 0; PagefileUsage is the same commit charge there and on Windows.
    const SIZE_T privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
    return {testing_support::gdiObjectCount(), testing_support::userObjectCount(), privateBytes};
}

int capturesFromEnvironment() {
    if (const char* v = std::getenv("OCELLUS_SOAK_CAPTURES")) {
        const long n = std::strtol(v, nullptr, 10);
        if (n > 0) return static_cast<int>(n);
    }
    return 3000;
}

// A distinct colour for every pixel of the screen area, so the pixel readout and the swatch keep
// meeting colours they have not shown before.
void paintDistinctColours(HDC dc, int w, int h) {
    testing_support::paintPixels(dc, w, h, [](int x, int y) {
        return static_cast<std::uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) | (((x >> 8) | (y >> 8) << 3) * 8));
    });
}

// The pointer's walk: steps coprime with the screen's size, so it reaches every column and row.
int pointerX(long long i) { return static_cast<int>((i * 7919) % 1920); }
int pointerY(long long i) { return static_cast<int>((i * 104729) % 1080); }

class SoakTest : public testing_support::ProgramWindowTest {
protected:
    void TearDown() override {
        ProgramWindowTest::TearDown();
        EXPECT_TRUE(boxes.empty()) << "error box during the run";
    }

    void resize(const WindowSize& s) {
        if (s.client) {
            form->setClientSize(s.width, s.height);
        } else {
            const RECT b = form->boundsRect();
            form->setBounds(b.left, b.top, s.width, s.height);
        }
    }

    // Capture i of the schedule. Captures come in blocks of 96, moving and still by turns. In a moving
    // block each run of nine captures goes through every zoom step; the runs go through the eight
    // combinations of Enhance, Invert and the arrow; every thirteenth capture is smoothed (GDI+ resampling
    // is slow under Wine; 13 is coprime with the other periods, so it meets every combination); the
    // window size changes every 288 captures. A still block keeps the pointer and every setting as the
    // block before left them, so after its first capture there is nothing to draw.
    void capture(long i) {
        const bool still = (i / 96) % 2 == 1;
        if (!still) {
            const ocellus::ZoomStep& step = ocellus::kZoomSteps[static_cast<std::size_t>(i % 9)];
            form->find<forms::RadioButton>(step.button)->setChecked(true);
            if (i % 9 == 0) {
                const long flags = (i / 9) % 8;
                form->enhancerb->setChecked((flags & 1) != 0);
                form->invertcb->setChecked((flags & 2) != 0);
                form->cursorcheckbox->setChecked((flags & 4) != 0);
            }
            if (i % 288 == 0) resize(kSizes[(i / 288) % 4]);
            form->cbinterpolate->setChecked(i % 13 == 0);
        }
        const long at = still ? i - i % 96 - 1 : i;
        const bool smoothed = ocellus::InterpolateFlag;
        const DWORD t0 = ::GetTickCount();
        form->GrabScreen(pointerX(at), pointerY(at));
        forms::application().processMessages();  // paints picture, readout and swatch
        const DWORD ms = ::GetTickCount() - t0;
        if (still) {
            stillMs += ms;
            ++stillCount;
        } else {
            (smoothed ? smoothedMs : plainMs) += ms;
            ++(smoothed ? smoothedCount : plainCount);
        }
    }
    DWORD stillMs = 0;
    long stillCount = 0;
    DWORD plainMs = 0, smoothedMs = 0;
    long plainCount = 0, smoothedCount = 0;

    // Every size with both paths and all adjustment combinations, so caches and lazily made objects
    // exist before the first sample.
    void warmUp() {
        long i = 0;
        for (const WindowSize& s : kSizes) {
            resize(s);
            for (int smooth = 0; smooth < 2; ++smooth)
                for (int flags = 0; flags < 8; ++flags) {
                    form->cbinterpolate->setChecked(smooth != 0);
                    form->enhancerb->setChecked((flags & 1) != 0);
                    form->invertcb->setChecked((flags & 2) != 0);
                    form->cursorcheckbox->setChecked((flags & 4) != 0);
                    for (int z = 0; z < 9; z += 4) {
                        form->find<forms::RadioButton>(ocellus::kZoomSteps[z].button)->setChecked(true);
                        form->GrabScreen(pointerX(i), pointerY(i));
                        forms::application().processMessages();
                        ++i;
                    }
                }
        }
    }

    // The same state at both samples: design size, plain path, no adjustments, one capture painted.
    Sample settledSample() {
        resize(kSizes[0]);
        form->cbinterpolate->setChecked(false);
        form->enhancerb->setChecked(false);
        form->invertcb->setChecked(false);
        form->cursorcheckbox->setChecked(false);
        form->rbx3->setChecked(true);
        // The capture keeps two copies of the source area and an adjusted one, each at the size it last
        // had: bring all three to this view's size, so both samples hold the same buffers.
        form->enhancerb->setChecked(true);
        form->GrabScreen(960, 540);
        form->enhancerb->setChecked(false);
        form->GrabScreen(960, 540);
        form->GrabScreen(961, 541);
        testing_support::pump(50);
        return sample();
    }

};

TEST_F(SoakTest, ObjectsAndMemoryStayFlatOverManyCaptures) {
    win32::gdiplus::Session gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    // Everything right of the window is distinct colours; the window sits at the top left.
    testing_support::ScreenPattern colours({640, 0, 1920, 1080}, paintDistinctColours);
    form = forms::makeForm<TForm1>(nullptr);
    forms::application().mainForm = form.get();
    form->setLeft(0);
    form->setTop(0);
    form->show();
    // Captures come from the schedule alone.
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);

    const long captures = capturesFromEnvironment();
    warmUp();
    const Sample before = settledSample();
    const DWORD t0 = ::GetTickCount();
    for (long i = 0; i < captures; ++i) capture(i);
    const DWORD elapsed = ::GetTickCount() - t0;
    const Sample after = settledSample();

    std::printf("soak: %ld captures in %.1f s; GDI objects %d -> %d, user objects %d -> %d, "
                "private bytes %.2f MiB -> %.2f MiB (%+.1f KiB)\n",
                captures, elapsed / 1000.0, before.gdi, after.gdi, before.user, after.user,
                before.privateBytes / 1048576.0, after.privateBytes / 1048576.0,
                (static_cast<double>(after.privateBytes) - static_cast<double>(before.privateBytes)) / 1024.0);
    std::printf("soak: %ld plain captures %.2f ms each, %ld smoothed %.2f ms each (with their paints), "
                "%ld over a still screen %.2f ms each\n",
                plainCount, plainCount ? static_cast<double>(plainMs) / plainCount : 0.0, smoothedCount,
                smoothedCount ? static_cast<double>(smoothedMs) / smoothedCount : 0.0, stillCount,
                stillCount ? static_cast<double>(stillMs) / stillCount : 0.0);
    std::fflush(stdout);

    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
    // Heap pages may stay committed after large pictures come and go; a leak per capture would not fit.
    constexpr SIZE_T kTolerance = 2u << 20;
    EXPECT_LE(after.privateBytes, before.privateBytes + kTolerance);
}

}  // namespace
