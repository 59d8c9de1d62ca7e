// Remembers the trace lines already drawn into one image, so that a closed orbit traced over and
// over stops paying the rasteriser for lines it has drawn before.
#pragma once

#include "draw3d/drawnmemo.h"
#include "scene/scene3d.h"

#include <cmath>
#include <cstdint>

namespace gyro {

/// The trace lines drawn into one image, by where their ends land to an eighth of a pixel and
/// their colour: a line drawn again there changes only its soft edges, by a blend the picture
/// already shows. One key a bucket: a drifting orbit brings mostly new lines, and a line forgotten
/// and drawn again differs only in the blend of a few edge pixels.
class TraceMemo : public DrawnMemo<1> {
public:
    /// The key of the line from (x0, y0) to (x1, y1) (pixels) of colour `rgb`; 0 for a line the
    /// memo does not keep (far off the picture), which is always drawn.
    static std::uint64_t key(float x0, float y0, float x1, float y1, SceneRgb rgb) {
        // Beyond ±2^19 pixels an eighth of a pixel no longer fits the 24 bits kept per end.
        constexpr float kLimit = 524288.0f;
        if (!(std::abs(x0) < kLimit && std::abs(y0) < kLimit && std::abs(x1) < kLimit &&
              std::abs(y1) < kLimit))
            return 0;
        const auto q = [](float v) {
            // Shifted to positive values so that truncation rounds down.
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>((v + kLimit) * 8.0f));
        };
        // The two ends packed whole into two words (24 bits a coordinate), then mixed into one
        // key (splitmix64's finaliser): equal keys mean equal lines except with a chance far
        // below anything a picture could show.
        const std::uint64_t a = q(x0) << 24 | q(y0), b = q(x1) << 24 | q(y1);
        std::uint64_t k = (a * 0x9E3779B97F4A7C15u) ^ b ^ (std::uint64_t{rgb} << 48);
        k = (k ^ (k >> 30)) * 0xBF58476D1CE4E5B9u;
        k = (k ^ (k >> 27)) * 0x94D049BB133111EBu;
        return (k ^ (k >> 31)) | 1; // never 0, which marks an empty slot
    }
};

} // namespace gyro
