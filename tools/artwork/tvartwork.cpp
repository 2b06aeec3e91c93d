// tvartwork: draws the launcher's splash picture and its window icon and
// writes them as the files the resource script embeds:
//
//   tvartwork FOLDER    writes FOLDER/splash.bmp and FOLDER/tessaroven.ico
//
// The picture is a calm dusk over rolling hills above a band of mosaic tiles,
// with the product name; 480 x 350 pixels in 256 colours. The icon is four
// tiles in five images (16, 32 and 48 pixels, 16 and 256 colours). The same
// program gives the same bytes: only +, -, *, / and square roots of doubles
// (built without contraction into fused operations), integer hashing, and
// sorts whose keys order every element fully.
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

// ---------------------------------------------------------------- basics

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

double SmoothStep(double e0, double e1, double x) {
    double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

const double kPi = 3.14159265358979323846;

// Sine from a polynomial, so that no library's rounding enters the art.
double Sine(double x) {
    double turns = std::floor((x + kPi) / (2 * kPi));
    x -= turns * 2 * kPi;  // now in [-pi, pi)
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;
    double x2 = x * x;
    // Taylor series to x^11 on [-pi/2, pi/2]: error below 6e-8.
    return x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42 * (1 - x2 / 72 * (1 - x2 / 110)))));
}

double Cosine(double x) { return Sine(x + kPi / 2); }

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

struct Byte3 {
    uint8_t r, g, b;
    bool operator<(const Byte3& o) const { return r != o.r ? r < o.r : g != o.g ? g < o.g : b < o.b; }
    bool operator==(const Byte3& o) const { return r == o.r && g == o.g && b == o.b; }
};

uint8_t ToByte(double v) {
    v = v < 0 ? 0 : v > 255 ? 255 : v;
    return static_cast<uint8_t>(v + 0.5);
}

Byte3 ToBytes(const Rgb& c) { return {ToByte(c.r), ToByte(c.g), ToByte(c.b)}; }

// ---------------------------------------------------------------- strokes

struct Point {
    double x, y;
};

// A glyph is a few polylines in units where the baseline is y = 0, the
// x-height 1 and capitals 1.42 high (y upwards), plus its advance.
struct Glyph {
    std::vector<std::vector<Point>> strokes;
    double advance = 1;
};

std::vector<Point> Arc(double cx, double cy, double r, double fromDeg, double toDeg) {
    std::vector<Point> pts;
    int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        double a = (fromDeg + (toDeg - fromDeg) * i / steps) * kPi / 180;
        pts.push_back({cx + r * Cosine(a), cy + r * Sine(a)});
    }
    return pts;
}

std::vector<Point> Line(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y1}}; }

// Catmull-Rom curve through the points, ends held.
std::vector<Point> Curve(const std::vector<Point>& p) {
    std::vector<Point> out;
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        Point p0 = p[i == 0 ? 0 : i - 1], p1 = p[i], p2 = p[i + 1], p3 = p[i + 2 < p.size() ? i + 2 : i + 1];
        for (int s = 0; s < 16; ++s) {
            double t = s / 16.0, t2 = t * t, t3 = t2 * t;
            auto f = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
            };
            out.push_back({f(p0.x, p1.x, p2.x, p3.x), f(p0.y, p1.y, p2.y, p3.y)});
        }
    }
    out.push_back(p.back());
    return out;
}

std::vector<Point> Scaled(const std::vector<Point>& p, double sx, double sy) {
    std::vector<Point> out;
    for (const Point& q : p) out.push_back({q.x * sx, q.y * sy});
    return out;
}

std::vector<Point> SmallS() {
    return Curve({{0.74, 0.84}, {0.42, 1.0}, {0.1, 0.86}, {0.12, 0.62}, {0.4, 0.5}, {0.7, 0.38},
                  {0.72, 0.12}, {0.4, 0.0}, {0.04, 0.14}});
}

Glyph MakeGlyph(char c) {
    Glyph g;
    switch (c) {
        case 'T':
            g.strokes = {Line(0, 1.42, 1.0, 1.42), Line(0.5, 1.42, 0.5, 0)};
            g.advance = 1.0;
            break;
        case 'S':
            g.strokes = {Scaled(SmallS(), 1.15, 1.42)};
            g.advance = 0.92;
            break;
        case 'e':
            g.strokes = {Line(0.02, 0.5, 1.0, 0.5), Arc(0.5, 0.5, 0.5, 0, 318)};
            break;
        case 'o':
            g.strokes = {Arc(0.5, 0.5, 0.5, 0, 360)};
            break;
        case 'a':
            g.strokes = {Arc(0.5, 0.5, 0.5, 0, 360), Line(1.0, 1.0, 1.0, 0)};
            break;
        case 's':
            g.strokes = {SmallS()};
            g.advance = 0.78;
            break;
        case 'r':
            g.strokes = {Line(0, 1.0, 0, 0), Arc(0.5, 0.5, 0.5, 180, 55)};
            g.advance = 0.8;
            break;
        case 'v':
            g.strokes = {{{0, 1.0}, {0.45, 0}, {0.9, 1.0}}};
            g.advance = 0.9;
            break;
        case 'n': {
            std::vector<Point> arch = Arc(0.45, 0.55, 0.45, 180, 0);
            arch.push_back({0.9, 0});
            g.strokes = {Line(0, 1.0, 0, 0), arch};
            g.advance = 0.9;
            break;
        }
        case 'u': {
            std::vector<Point> bowl = {{0, 1.0}};
            std::vector<Point> arc = Arc(0.45, 0.45, 0.45, 180, 360);
            bowl.insert(bowl.end(), arc.begin(), arc.end());
            g.strokes = {bowl, Line(0.9, 1.0, 0.9, 0)};
            g.advance = 0.9;
            break;
        }
        case 't': {
            std::vector<Point> stem = {{0.25, 1.32}};
            std::vector<Point> arc = Arc(0.55, 0.3, 0.3, 180, 270);
            stem.insert(stem.end(), arc.begin(), arc.end());
            stem.push_back({0.62, 0.0});
            g.strokes = {stem, Line(0, 1.0, 0.6, 1.0)};
            g.advance = 0.62;
            break;
        }
        case 'p':
            g.strokes = {Line(0, 1.0, 0, -0.45), Arc(0.5, 0.5, 0.5, 0, 360)};
            break;
        default:
            break;
    }
    return g;
}

// A line of text placed on the picture: segments in pixel coordinates.
struct Segment {
    Point a, b;
};

struct TextShape {
    std::vector<Segment> segments;
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
};

// Lays out text with its baseline at baselineY, centred on centreX; unit is
// the x-height in pixels, gap the space between glyphs in units.
TextShape LayOut(const std::string& text, double centreX, double baselineY, double unit, double gap) {
    double width = 0;
    for (size_t i = 0; i < text.size(); ++i) width += MakeGlyph(text[i]).advance + (i + 1 < text.size() ? gap : 0);
    TextShape shape;
    double penX = centreX - width * unit / 2;
    for (char c : text) {
        Glyph g = MakeGlyph(c);
        for (const auto& stroke : g.strokes) {
            for (size_t i = 0; i + 1 < stroke.size(); ++i) {
                Point a{penX + stroke[i].x * unit, baselineY - stroke[i].y * unit};
                Point b{penX + stroke[i + 1].x * unit, baselineY - stroke[i + 1].y * unit};
                shape.segments.push_back({a, b});
                shape.minX = std::min({shape.minX, a.x, b.x});
                shape.maxX = std::max({shape.maxX, a.x, b.x});
                shape.minY = std::min({shape.minY, a.y, b.y});
                shape.maxY = std::max({shape.maxY, a.y, b.y});
            }
        }
        penX += (g.advance + gap) * unit;
    }
    return shape;
}

double SegmentDistance(const Segment& s, double px, double py) {
    double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? Clamp01(((px - s.a.x) * dx + (py - s.a.y) * dy) / len2) : 0;
    double ex = s.a.x + t * dx - px, ey = s.a.y + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

double Distance(const TextShape& shape, double px, double py, double reach) {
    if (px < shape.minX - reach || px > shape.maxX + reach || py < shape.minY - reach || py > shape.maxY + reach)
        return 1e9;
    double best = 1e9;
    for (const Segment& s : shape.segments) best = std::min(best, SegmentDistance(s, px, py));
    return best;
}

// ---------------------------------------------------------------- palettes

// Median cut: splits the colour box with the widest spread at the median
// of that channel until there are `count` boxes; each gives its mean.
std::vector<Byte3> MedianCut(std::vector<Byte3> colours, size_t count) {
    struct Box {
        size_t begin, end;
    };
    std::sort(colours.begin(), colours.end());
    std::vector<Box> boxes = {{0, colours.size()}};
    auto spread = [&](const Box& box, int* channel) {
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i) {
            const uint8_t v[3] = {colours[i].r, colours[i].g, colours[i].b};
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min<int>(lo[c], v[c]);
                hi[c] = std::max<int>(hi[c], v[c]);
            }
        }
        int best = 0;
        for (int c = 1; c < 3; ++c)
            if (hi[c] - lo[c] > hi[best] - lo[best]) best = c;
        *channel = best;
        return hi[best] - lo[best];
    };
    while (boxes.size() < count) {
        // The box to split: spread weighted by the square root of its pixel count.
        size_t pick = boxes.size();
        double pickScore = 0;
        int pickChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int channel;
            int s = spread(boxes[i], &channel);
            if (s == 0 || boxes[i].end - boxes[i].begin < 2) continue;
            double score = s * std::sqrt(static_cast<double>(boxes[i].end - boxes[i].begin));
            if (score > pickScore) {
                pickScore = score;
                pick = i;
                pickChannel = channel;
            }
        }
        if (pick == boxes.size()) break;
        Box box = boxes[pick];
        auto key = [pickChannel](const Byte3& c) {
            const uint8_t v[3] = {c.r, c.g, c.b};
            return std::make_tuple(v[pickChannel], c.r, c.g, c.b);
        };
        std::sort(colours.begin() + box.begin, colours.begin() + box.end,
                  [&](const Byte3& a, const Byte3& b) { return key(a) < key(b); });
        // Split at the boundary between two different colours nearest to
        // the median, so that equal colours stay in one box.
        size_t median = box.begin + (box.end - box.begin) / 2;
        size_t down = median, up = median;
        while (down > box.begin && colours[down - 1] == colours[down]) --down;
        while (up < box.end && colours[up - 1] == colours[up]) ++up;
        size_t mid = down > box.begin && (up >= box.end || median - down <= up - median) ? down : up;
        boxes[pick] = {box.begin, mid};
        boxes.push_back({mid, box.end});
    }
    std::vector<Byte3> palette;
    for (const Box& box : boxes) {
        uint64_t sum[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i) {
            sum[0] += colours[i].r;
            sum[1] += colours[i].g;
            sum[2] += colours[i].b;
        }
        uint64_t n = box.end - box.begin;
        palette.push_back({static_cast<uint8_t>((sum[0] + n / 2) / n), static_cast<uint8_t>((sum[1] + n / 2) / n),
                           static_cast<uint8_t>((sum[2] + n / 2) / n)});
    }
    return palette;
}

int Nearest(const std::vector<Byte3>& palette, const Byte3& c) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        int dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int Luma(const Byte3& c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

// Palette of `count` colours for the pixels (exact when they have no more
// colours than that), ordered dark to light; unused entries black.
std::vector<Byte3> BuildPalette(const std::vector<Byte3>& pixels, size_t count) {
    std::vector<Byte3> unique = pixels;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    std::vector<Byte3> palette = unique.size() <= count ? unique : MedianCut(pixels, count);
    std::sort(palette.begin(), palette.end(), [](const Byte3& a, const Byte3& b) {
        return Luma(a) != Luma(b) ? Luma(a) < Luma(b) : a < b;
    });
    palette.resize(count, Byte3{0, 0, 0});
    return palette;
}

// ---------------------------------------------------------------- files

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageSize, int resolution) {
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, 0);  // uncompressed
    Put32(out, imageSize);
    Put32(out, static_cast<uint32_t>(resolution));
    Put32(out, static_cast<uint32_t>(resolution));
    Put32(out, 0);  // colours used: all that the depth allows
    Put32(out, 0);
}

void PutColourTable(std::vector<uint8_t>& out, const std::vector<Byte3>& palette) {
    for (const Byte3& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------- the picture

const int kWidth = 480;
const int kHeight = 350;
const int kResolution = 11808;  // pixels per metre, about 300 per inch

double HillLine(double x, double base, double a1, double f1, double p1, double a2, double f2, double p2) {
    return base + a1 * Sine(x * f1 + p1) + a2 * Sine(x * f2 + p2);
}

std::vector<Rgb> PaintScene() {
    std::vector<Rgb> image(kWidth * kHeight);
    const Rgb skyTop{30, 44, 82}, skyMid{92, 104, 150}, skyLow{226, 178, 156}, horizon{244, 212, 178};
    const Rgb sunGlow{255, 228, 186}, sunCore{255, 244, 214};
    const double sunX = 352, sunY = 196, sunR = 24;
    const Rgb hillFar{132, 128, 160}, hillMid{86, 92, 132}, hillNear{50, 64, 104};
    const Rgb grout{34, 46, 70};
    const Rgb tileA{60, 118, 138}, tileB{84, 140, 150}, tileC{46, 92, 122}, tileD{196, 160, 118};
    const int bandTop = 292;

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double fy = y + 0.5, fx = x + 0.5;
            // Sky: indigo at the top through lilac to a warm horizon.
            double t = fy / 230.0;
            Rgb c = t < 0.55 ? Mix(skyTop, skyMid, SmoothStep(0, 0.55, t))
                             : Mix(skyMid, skyLow, SmoothStep(0.55, 0.92, t));
            c = Mix(c, horizon, SmoothStep(0.85, 1.0, t));
            // The low sun and its glow.
            double dx = fx - sunX, dy = fy - sunY;
            double d = std::sqrt(dx * dx + dy * dy);
            c = Mix(c, sunGlow, 0.55 * (1 - SmoothStep(0, 150, d)));
            c = Mix(c, sunCore, 1 - SmoothStep(sunR - 1.2, sunR + 1.2, d));
            // Three ranges of hills, paler with distance.
            struct Hill {
                double line;
                Rgb colour;
                double haze;
            } hills[3] = {
                {HillLine(fx, 214, 9, 0.013, 0.8, 4, 0.041, 2.1), hillFar, 0.35},
                {HillLine(fx, 238, 12, 0.009, 2.6, 5, 0.031, 0.4), hillMid, 0.18},
                {HillLine(fx, 266, 10, 0.011, 4.2, 4, 0.027, 1.3), hillNear, 0.0},
            };
            for (const Hill& h : hills) {
                double cover = Clamp01(fy - h.line + 0.5);
                if (cover <= 0) continue;
                // Lighter along the crest, darker towards the foot.
                double depth = Clamp01((fy - h.line) / 60.0);
                Rgb hill = Mix(Mix(h.colour, horizon, h.haze), h.colour, 0.4 + 0.6 * depth);
                c = Mix(c, hill, cover);
            }
            // A band of mosaic tiles along the bottom.
            if (fy >= bandTop) {
                const double tile = 14, gap = 2;
                int row = static_cast<int>((fy - bandTop) / tile);
                double shift = (row % 2) * tile / 2;
                int col = static_cast<int>(std::floor((fx + shift) / tile));
                double ux = fx + shift - col * tile, uy = fy - bandTop - row * tile;
                uint32_t h = Hash(static_cast<uint32_t>(row * 977 + col * 131 + 7));
                Rgb face = (h % 23 == 0) ? tileD : (h % 3 == 0) ? tileA : (h % 3 == 1) ? tileB : tileC;
                double shade = 0.93 + 0.14 * ((h >> 8) % 16) / 15.0;
                face = {face.r * shade, face.g * shade, face.b * shade};
                // Rounded corners: distance from the tile's inner rectangle.
                double half = (tile - gap) / 2, r = 2.5;
                double qx = std::fabs(ux - tile / 2) - (half - r), qy = std::fabs(uy - tile / 2) - (half - r);
                double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
                double outside = std::sqrt(ox * ox + oy * oy) - r;
                c = Mix(grout, face, Clamp01(0.5 - outside));
            } else if (fy >= bandTop - 3) {
                c = Mix(c, Rgb{236, 214, 184}, 0.7);  // a light sill above the tiles
            }
            image[y * kWidth + x] = c;
        }
    }

    // The product name with a soft shadow, and a quieter second line.
    const Rgb ink{251, 248, 240}, subInk{236, 220, 200}, shadow{16, 22, 44};
    TextShape name = LayOut("Tessaroven", kWidth / 2.0, 112, 30, 0.3);
    TextShape setup = LayOut("Setup", kWidth / 2.0, 156, 13, 0.55);
    const double nameHalf = 2.6, setupHalf = 1.25;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double fx = x + 0.5, fy = y + 0.5;
            Rgb& c = image[y * kWidth + x];
            double ds = Distance(name, fx - 2, fy - 3, 12);
            c = Mix(c, shadow, 0.35 * Clamp01((nameHalf + 4 - ds) / 5));
            double dn = Distance(name, fx, fy, 4);
            c = Mix(c, ink, Clamp01(nameHalf + 0.5 - dn));
            double du = Distance(setup, fx, fy, 3);
            c = Mix(c, subInk, Clamp01(setupHalf + 0.5 - du));
        }
    }
    return image;
}

const double kDitherAmplitude = 6;

// The 8 x 8 ordered-dither threshold, 0..63, by bit interleaving.
int Bayer8(int x, int y) {
    int v = 0;
    for (int bit = 2; bit >= 0; --bit) {
        int bx = (x >> (2 - bit)) & 1, by = (y >> (2 - bit)) & 1;
        v |= ((bx ^ by) << (2 * bit + 1)) | (by << (2 * bit));
    }
    return v;
}

std::vector<uint8_t> SplashBitmapFile() {
    std::vector<Rgb> scene = PaintScene();
    std::vector<Byte3> pixels;
    pixels.reserve(scene.size());
    for (const Rgb& c : scene) pixels.push_back(ToBytes(c));
    std::vector<Byte3> palette = BuildPalette(pixels, 256);

    std::vector<uint8_t> dib;
    PutInfoHeader(dib, kWidth, kHeight, 8, 0, kResolution);
    PutColourTable(dib, palette);
    // Rows bottom-up; 480 bytes need no padding. A light ordered dither
    // keeps the wide gradients of the sky free of bands.
    std::vector<int> cache(1 << 24, -1);
    for (int y = kHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kWidth; ++x) {
            double offset = ((Bayer8(x, y) + 0.5) / 64 - 0.5) * kDitherAmplitude;
            const Rgb& s = scene[y * kWidth + x];
            Byte3 c = ToBytes({s.r + offset, s.g + offset, s.b + offset});
            int& index = cache[(c.r << 16) | (c.g << 8) | c.b];
            if (index < 0) index = Nearest(palette, c);
            dib.push_back(static_cast<uint8_t>(index));
        }
    }
    // Two zero bytes after the rows, as the picture has always carried.
    dib.push_back(0);
    dib.push_back(0);

    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    Put32(file, static_cast<uint32_t>(14 + dib.size()));
    Put32(file, 0);
    Put32(file, 14 + 40 + 256 * 4);
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

// ---------------------------------------------------------------- the icon

struct Rgba {
    Rgb colour;
    double alpha = 0;
};

// Four rounded tiles in a square, with a dark rim; size in pixels, each
// pixel averaged over 4 x 4 samples.
std::vector<Rgba> PaintIcon(int size) {
    const Rgb tiles[4] = {{58, 128, 146}, {222, 170, 108}, {52, 74, 138}, {112, 168, 150}};
    const Rgb rim{24, 32, 52};
    std::vector<Rgba> image(size * size);
    double s = size;
    double gap = size <= 16 ? 1.0 : s / 16;
    double margin = size <= 16 ? 0.5 : s / 24;
    double cell = (s - 2 * margin - gap) / 2;
    double radius = cell * 0.22;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Rgb sum;
            double alpha = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
                    int col = px < s / 2 ? 0 : 1, row = py < s / 2 ? 0 : 1;
                    double left = margin + col * (cell + gap), top = margin + row * (cell + gap);
                    double cx = left + cell / 2, cy = top + cell / 2;
                    double qx = std::fabs(px - cx) - (cell / 2 - radius), qy = std::fabs(py - cy) - (cell / 2 - radius);
                    double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
                    double outside = std::sqrt(ox * ox + oy * oy) - radius;
                    if (outside > 0) continue;
                    double rimWidth = size <= 16 ? 0.9 : s / 22;
                    Rgb c = -outside < rimWidth ? rim : tiles[row * 2 + col];
                    // A soft light from the upper left.
                    double light = 1.08 - 0.16 * ((px - left) + (py - top)) / (2 * cell);
                    if (!(-outside < rimWidth)) c = {c.r * light, c.g * light, c.b * light};
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                    alpha += 1;
                }
            }
            Rgba& p = image[y * size + x];
            p.alpha = alpha / 16;
            if (alpha > 0) p.colour = {sum.r / alpha, sum.g / alpha, sum.b / alpha};
        }
    }
    return image;
}

// The 16 colours of the classic display palette, for the 4-bit images.
std::vector<Byte3> SixteenColours() {
    return {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
            {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
}

struct IconImage {
    int size;
    int bits;
    std::vector<uint8_t> data;  // header, colour table, colour rows, mask rows
};

IconImage MakeIconImage(int size, int bits) {
    std::vector<Rgba> art = PaintIcon(size);
    std::vector<Byte3> opaque;
    for (const Rgba& p : art)
        if (p.alpha >= 0.5) opaque.push_back(ToBytes(p.colour));
    std::vector<Byte3> palette = bits == 4 ? SixteenColours() : BuildPalette(opaque, 256);

    int colourRow = ((size * bits + 31) / 32) * 4;
    int maskRow = ((size + 31) / 32) * 4;
    IconImage image{size, bits, {}};
    std::vector<uint8_t>& out = image.data;
    // Icon headers count the colour and the mask rows in their height.
    PutInfoHeader(out, size, 2 * size, bits, static_cast<uint32_t>((colourRow + maskRow) * size), 0);
    PutColourTable(out, palette);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(colourRow, 0);
        for (int x = 0; x < size; ++x) {
            const Rgba& p = art[y * size + x];
            int index = p.alpha >= 0.5 ? Nearest(palette, ToBytes(p.colour)) : 0;
            if (bits == 8) {
                row[x] = static_cast<uint8_t>(index);
            } else {
                row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskRow, 0);
        for (int x = 0; x < size; ++x)
            if (art[y * size + x].alpha < 0.5) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return image;
}

std::vector<uint8_t> IconFile() {
    // The order of the images is the order of their resource ids.
    const int layout[5][2] = {{32, 4}, {48, 8}, {16, 4}, {32, 8}, {16, 8}};
    std::vector<IconImage> images;
    for (const auto& l : layout) images.push_back(MakeIconImage(l[0], l[1]));
    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, 1);  // icons
    Put16(file, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IconImage& image : images) {
        file.push_back(static_cast<uint8_t>(image.size));
        file.push_back(static_cast<uint8_t>(image.size));
        file.push_back(static_cast<uint8_t>(image.bits == 4 ? 16 : 0));
        file.push_back(0);
        Put16(file, 1);  // planes
        Put16(file, static_cast<uint32_t>(image.bits));
        Put32(file, static_cast<uint32_t>(image.data.size()));
        Put32(file, offset);
        offset += static_cast<uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) file.insert(file.end(), image.data.begin(), image.data.end());
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: tvartwork FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!WriteFile(folder + "/splash.bmp", SplashBitmapFile()) ||
        !WriteFile(folder + "/tessaroven.ico", IconFile())) {
        fprintf(stderr, "tvartwork: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
