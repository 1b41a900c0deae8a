#include "CommonBinaryData.h"
#include "PluginBinaryData.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace
{
using Lookup = const char* (*) (const char*, int&);
using FilenameLookup = const char* (*) (const char*);

struct Table
{
    const char* space;
    Lookup lookup;
    FilenameLookup filename;
    const char* const* names;
    const char* const* files;
    int size;
};

const Table plugin { "PluginBinaryData", PluginBinaryData::getNamedResource,
                     PluginBinaryData::getNamedResourceOriginalFilename, PluginBinaryData::namedResourceList,
                     PluginBinaryData::originalFilenames, PluginBinaryData::namedResourceListSize };
const Table common { "CommonBinaryData", CommonBinaryData::getNamedResource,
                     CommonBinaryData::getNamedResourceOriginalFilename, CommonBinaryData::namedResourceList,
                     CommonBinaryData::originalFilenames, CommonBinaryData::namedResourceListSize };

struct Resource
{
    const Table* table;
    const char* name;
    const char* file;
    int width = 0, height = 0, frames = 0; // images only
    bool alpha = false;
};

// Both tables in their order; the editor finds the images by these names and expects these layouts.
const Resource resources[] = {
    { &plugin, "About_png", "About.png", 1866, 508, 1, true },
    { &plugin, "Background_png", "Background.png", 1866, 508, 1, false },
    { &plugin, "CompSwitch_png", "CompSwitch.png", 142, 520, 2, false },
    { &plugin, "KnobGain_png", "KnobGain.png", 308, 32724, 101, false },
    { &plugin, "KnobPeakReduction_png", "KnobPeakReduction.png", 308, 32724, 101, false },
    { &plugin, "Power_png", "Power.png", 140, 324, 2, false },
    { &plugin, "PowerSwitch_png", "PowerSwitch.png", 150, 520, 2, false },
    { &plugin, "VUSwitch_png", "VUSwitch.png", 158, 780, 3, false },
    { &common, "KLFolderIcon_ico", "KLFolderIcon.ico" },
    { &common, "KLIcon_ico", "KLIcon.ico" },
    { &common, "banner_png", "banner.png", 342, 108, 2, true },
    { &common, "courier_new_ttf", "courier_new.ttf" },
    { &common, "courier_new_bold_ttf", "courier_new_bold.ttf" },
    { &common, "font_bold_otf", "font_bold.otf" },
    { &common, "font_regular_otf", "font_regular.otf" },
    { &common, "settings_png", "settings.png", 46, 108, 2, true },
    { &common, "source_sans_pro_otf", "source_sans_pro.otf" },
};

// The lookup's hash: each byte as a signed char, hash = hash * 31 + byte, wrapping at 32 bits.
uint32_t nameHash (const char* name)
{
    uint32_t hash = 0;
    for (; *name != 0; ++name)
        hash = hash * 31u + (uint32_t) (int32_t) (signed char) *name;
    return hash;
}

juce::Image decode (const Resource& r)
{
    int size = 0;
    const char* data = r.table->lookup (r.name, size);
    return data == nullptr ? juce::Image() : juce::ImageFileFormat::loadFrom (data, (size_t) size);
}

juce::Image frameOf (const juce::Image& strip, int frames, int index)
{
    const int h = strip.getHeight() / frames;
    return strip.getClippedImage ({ 0, index * h, strip.getWidth(), h });
}

int maxChannelDifference (juce::Colour a, juce::Colour b)
{
    return juce::jmax (std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()),
                       std::abs (a.getBlue() - b.getBlue()));
}
} // namespace

TEST (ResourcesTables, ListEveryResourceInOrderWithItsFileName)
{
    for (const Table* t : { &plugin, &common })
    {
        std::vector<const Resource*> expected;
        for (const auto& r : resources)
            if (r.table == t)
                expected.push_back (&r);

        ASSERT_EQ (t->size, (int) expected.size()) << t->space;
        for (int i = 0; i < t->size; ++i)
        {
            EXPECT_STREQ (t->names[i], expected[(size_t) i]->name) << t->space << " entry " << i;
            EXPECT_STREQ (t->files[i], expected[(size_t) i]->file) << t->space << " entry " << i;
            EXPECT_STREQ (t->filename (expected[(size_t) i]->name), expected[(size_t) i]->file);
        }
    }
}

TEST (ResourcesTables, NamesHaveDistinctHashesAndEveryResourceEndsWithAZeroByte)
{
    for (const Table* t : { &plugin, &common })
    {
        std::set<uint32_t> hashes;
        for (int i = 0; i < t->size; ++i)
        {
            hashes.insert (nameHash (t->names[i]));

            int size = -1;
            const char* data = t->lookup (t->names[i], size);
            ASSERT_NE (data, nullptr) << t->names[i];
            EXPECT_GT (size, 0) << t->names[i];
            EXPECT_EQ (data[size], 0) << t->names[i];
        }
        EXPECT_EQ ((int) hashes.size(), t->size) << t->space;
    }
}

TEST (ResourcesLookup, FindsTheExactNameOnly)
{
    int size = -1;
    const char* data = PluginBinaryData::getNamedResource ("KnobGain_png", size);
    ASSERT_EQ (data, PluginBinaryData::KnobGain_png);
    EXPECT_EQ (size, PluginBinaryData::KnobGain_pngSize);
    ASSERT_GE (size, 8);
    EXPECT_EQ (std::memcmp (data, "\x89PNG\r\n\x1a\n", 8), 0);

    for (const char* wrong : { "knobgain_png", "KNOBGAIN_PNG", "KnobGain.png", "KnobGain", "", (const char*) nullptr })
    {
        for (const Table* t : { &plugin, &common })
        {
            size = -1;
            EXPECT_EQ (t->lookup (wrong, size), nullptr) << t->space << " '" << (wrong ? wrong : "(null)") << "'";
            EXPECT_EQ (size, 0) << t->space << " '" << (wrong ? wrong : "(null)") << "'";
        }
    }

    EXPECT_STREQ (PluginBinaryData::getNamedResourceOriginalFilename ("VUSwitch_png"), "VUSwitch.png");
    EXPECT_EQ (PluginBinaryData::getNamedResourceOriginalFilename ("VUSwitch.png"), nullptr);
    EXPECT_EQ (PluginBinaryData::getNamedResourceOriginalFilename ("vuswitch_png"), nullptr);
    EXPECT_EQ (CommonBinaryData::getNamedResourceOriginalFilename ("KnobGain_png"), nullptr);
    EXPECT_EQ (PluginBinaryData::getNamedResourceOriginalFilename (nullptr), nullptr);
    EXPECT_EQ (CommonBinaryData::getNamedResourceOriginalFilename (nullptr), nullptr);
}

TEST (ResourcesImages, DecodeWithTheirSizeFramesAndAlpha)
{
    for (const auto& r : resources)
    {
        if (r.frames == 0)
            continue;

        SCOPED_TRACE (r.name);
        const auto image = decode (r);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), r.width);
        EXPECT_EQ (image.getHeight(), r.height);
        EXPECT_EQ (image.getHeight() % r.frames, 0);
        EXPECT_EQ (image.hasAlphaChannel(), r.alpha);
    }
}

// Every control frame is drawn straight over the panel, so its border must be the panel itself,
// and no two frames of a control may be alike.
TEST (ResourcesImages, ControlFramesSitSeamlesslyOnThePanelAndDiffer)
{
    struct Placement
    {
        const char* name;
        int frames, x, y;
    };
    const Placement placements[] = {
        { "KnobGain_png", 101, 370, 74 },
        { "KnobPeakReduction_png", 101, 1190, 76 },
        { "Power_png", 2, 108, 150 },
        { "PowerSwitch_png", 2, 256, 110 },
    };

    const auto panel = decode ({ &plugin, "Background_png", "" });
    ASSERT_TRUE (panel.isValid());

    for (const auto& p : placements)
    {
        SCOPED_TRACE (p.name);
        const auto strip = decode ({ &plugin, p.name, "" });
        ASSERT_TRUE (strip.isValid());
        const int w = strip.getWidth(), h = strip.getHeight() / p.frames;

        for (int f = 0; f < p.frames; ++f)
        {
            const auto frame = frameOf (strip, p.frames, f);
            int worst = 0;
            for (int i = 0; i < w; ++i)
                for (int y : { 0, h - 1 })
                    worst = juce::jmax (worst, maxChannelDifference (frame.getPixelAt (i, y), panel.getPixelAt (p.x + i, p.y + y)));
            for (int j = 0; j < h; ++j)
                for (int x : { 0, w - 1 })
                    worst = juce::jmax (worst, maxChannelDifference (frame.getPixelAt (x, j), panel.getPixelAt (p.x + x, p.y + j)));
            EXPECT_LE (worst, 2) << "frame " << f;
        }

        // consecutive frames (and the ends of a knob's travel) must show different states
        for (int f = 1; f < p.frames; ++f)
        {
            const auto a = frameOf (strip, p.frames, f - 1), b = frameOf (strip, p.frames, f);
            int differing = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    differing += maxChannelDifference (a.getPixelAt (x, y), b.getPixelAt (x, y)) > 8 ? 1 : 0;
            EXPECT_GT (differing, 20) << "frames " << f - 1 << " and " << f;
        }
    }
}

TEST (ResourcesIcons, AreIconFilesWithEightImages)
{
    for (const char* name : { "KLIcon_ico", "KLFolderIcon_ico" })
    {
        SCOPED_TRACE (name);
        int size = 0;
        const auto* data = reinterpret_cast<const uint8_t*> (CommonBinaryData::getNamedResource (name, size));
        ASSERT_NE (data, nullptr);
        ASSERT_GE (size, 6);
        auto u16 = [data] (int at) { return (int) (data[at] | (data[at + 1] << 8)); };
        auto u32 = [data] (int at) { return (uint32_t) data[at] | ((uint32_t) data[at + 1] << 8) | ((uint32_t) data[at + 2] << 16) | ((uint32_t) data[at + 3] << 24); };

        EXPECT_EQ (u16 (0), 0); // reserved
        EXPECT_EQ (u16 (2), 1); // icon, not cursor
        ASSERT_EQ (u16 (4), 8);
        ASSERT_GE (size, 6 + 8 * 16);

        std::set<int> widths;
        for (int i = 0; i < 8; ++i)
        {
            const int entry = 6 + 16 * i;
            widths.insert (data[entry] == 0 ? 256 : data[entry]);
            const uint32_t bytes = u32 (entry + 8), offset = u32 (entry + 12);
            EXPECT_LE ((uint64_t) offset + bytes, (uint64_t) size) << "image " << i;
            const auto image = juce::ImageFileFormat::loadFrom (data + offset, bytes);
            EXPECT_TRUE (image.isValid()) << "image " << i;
            EXPECT_EQ (image.getWidth(), data[entry] == 0 ? 256 : data[entry]) << "image " << i;
        }
        EXPECT_EQ (widths.size(), 8u);
    }
}

TEST (ResourcesFonts, LoadAsTypefacesOfTheExpectedFamilies)
{
    struct FontCase
    {
        const char* name;
        const char* family;
        bool bold;
    };
    const FontCase fonts[] = {
        { "source_sans_pro_otf", "Source Sans", false },
        { "font_regular_otf", "", false },
        { "font_bold_otf", "", true },
        { "courier_new_ttf", "Mono", false },
        { "courier_new_bold_ttf", "Mono", true },
    };

    for (const auto& f : fonts)
    {
        SCOPED_TRACE (f.name);
        int size = 0;
        const char* data = CommonBinaryData::getNamedResource (f.name, size);
        ASSERT_NE (data, nullptr);
        auto typeface = juce::Typeface::createSystemTypefaceFor (data, (size_t) size);
        ASSERT_NE (typeface, nullptr);
        EXPECT_TRUE (typeface->getName().contains (f.family)) << typeface->getName();
        EXPECT_FALSE (typeface->getName().isEmpty());
        EXPECT_EQ (typeface->getStyle().containsIgnoreCase ("bold"), f.bold) << typeface->getStyle();
    }
}
