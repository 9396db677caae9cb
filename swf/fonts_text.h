// Embedded fonts and text: glyph tables of outline shapes with, in the richer font tag, codes,
// layout metrics and kerning; the font information tags that name a glyph-only font; static
// text made of text records that select a font, colour, position and height and list glyph
// entries; the editable text field; and the marker tag for PostScript-style glyph paths.
//
// Glyph entries are packed bit fields whose widths come from the coder's GlyphSize and
// AdvanceSize slots, set by the text tag from its records; kerning records read WideCodes, set
// by the font tag; colours read Transparent. Every tag sets the slots it needs around its body
// and clears them afterwards, however the body ends.
//
// A decoded tag remembers the choices its file made where the format allows more than one (wide
// codes or offsets where narrow ones would do, wider glyph fields than the records need, optional
// parts present with default values), so that it encodes back to the same bytes. Objects built
// from values make the narrowest choices.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "swf/basic_types.h"
#include "swf/shapes.h"

namespace transform {

// How the character codes of a font are to be read. The value is the pair of encoding flags of
// the font tags: bit 0 the ANSI flag, bit 1 the ShiftJIS flag (3, both, is kept as read).
struct FSEncoding {
    static constexpr int Unicode = 0;
    static constexpr int ANSI = 1;
    static constexpr int ShiftJIS = 2;
};

// A value as a file coded it. Where a file spent more bits on a value than the library would
// (bounds or matrix fields announced wider than their numbers need), the file's bytes are kept
// and written again for as long as the value stays as read.
template <class T>
class FSFileCoding {
  public:
    void keep(const T& read, std::vector<uint8_t> fileBytes) {
        value = read;
        bytes = std::move(fileBytes);
    }
    // The file's bytes when they still code the current value, else null.
    const std::vector<uint8_t>* bytesFor(const T& current) const {
        return !bytes.empty() && value == current ? &bytes : nullptr;
    }

  private:
    T value{};
    std::vector<uint8_t> bytes;
};

// ---- records ----

// One glyph of a text record: the glyph's index in the font and the distance in twips to the
// origin of the next glyph (the SWF GLYPHENTRY).
class FSCharacter : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSCharacter)

    FSCharacter() = default;
    FSCharacter(int glyphIndex, int advance) : glyphIndex(glyphIndex), advance(advance) {}
    explicit FSCharacter(FSInputStream& coder) { decode(coder); }

    int getGlyphIndex() const { return glyphIndex; }
    int getAdvance() const { return advance; }
    void setGlyphIndex(int value) { glyphIndex = value; }
    void setAdvance(int value) { advance = value; }

    // In bits: GlyphSize + AdvanceSize.
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSCharacter& other) const {
        return glyphIndex == other.glyphIndex && advance == other.advance;
    }

  private:
    int glyphIndex = 0;
    int advance = 0;
};

// A spacing adjustment in twips between two characters, given by their codes (the SWF
// KERNINGRECORD); the codes take 16 bits when the coder's WideCodes slot is set, else 8.
class FSKerning : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSKerning)

    FSKerning() = default;
    FSKerning(int leftGlyph, int rightGlyph, int adjustment)
        : leftGlyph(leftGlyph), rightGlyph(rightGlyph), adjustment(adjustment) {}
    explicit FSKerning(FSInputStream& coder) { decode(coder); }

    int getLeftGlyph() const { return leftGlyph; }
    int getRightGlyph() const { return rightGlyph; }
    int getAdjustment() const { return adjustment; }
    void setLeftGlyph(int value) { leftGlyph = value; }
    void setRightGlyph(int value) { rightGlyph = value; }
    void setAdjustment(int value) { adjustment = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSKerning& other) const {
        return leftGlyph == other.leftGlyph && rightGlyph == other.rightGlyph &&
               adjustment == other.adjustment;
    }

  private:
    int leftGlyph = 0;
    int rightGlyph = 0;
    int adjustment = 0;
};

// A run of glyphs with the style changes that apply from it on (the SWF TEXTRECORD): the font
// and its height in twips (0 = unchanged), the colour (unset = unchanged) and the position of
// the first glyph (Default = unchanged). The font's glyphs are drawn on an em square of 1024
// units scaled to the height.
class FSText : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSText)

    FSText() = default;
    FSText(int identifier, const FSColor& color, int xOffset, int yOffset, int height,
           std::vector<FSCharacter> characters)
        : identifier(identifier),
          color(color),
          xOffset(xOffset),
          yOffset(yOffset),
          height(height),
          characters(std::move(characters)) {}
    explicit FSText(FSInputStream& coder) { decode(coder); }

    int getIdentifier() const { return identifier; }
    const FSColor& getColor() const { return color; }
    int getXOffset() const { return xOffset; }
    int getYOffset() const { return yOffset; }
    int getHeight() const { return height; }
    std::vector<FSCharacter>& getCharacters() { return characters; }
    const std::vector<FSCharacter>& getCharacters() const { return characters; }
    void setIdentifier(int value) { identifier = value; }
    void setColor(const FSColor& value) { color = value; }
    void setXOffset(int value) { xOffset = value; }
    void setYOffset(int value) { yOffset = value; }
    void setHeight(int value) { height = value; }
    void setCharacters(std::vector<FSCharacter> value) { characters = std::move(value); }
    void add(const FSCharacter& character) { characters.push_back(character); }

    bool containsFont() const { return (identifier != 0 && height != 0) || keptFont; }
    bool containsColor() const { return color.isSet(); }
    bool containsX() const { return xOffset != Default; }
    bool containsY() const { return yOffset != Default; }
    bool containsStyle() const {
        return containsFont() || containsColor() || containsX() || containsY();
    }

    // The widths the glyph entries need: the largest unsigned size of the glyph indexes and the
    // largest signed size of the advances.
    int glyphSize() const;
    int advanceSize() const;

    // In bytes, with the glyph entries sized by GlyphSize and AdvanceSize.
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    FSColor color;
    int xOffset = Default;
    int yOffset = Default;
    int height = 0;
    std::vector<FSCharacter> characters;
    // The record selected a font with an identifier or height of 0.
    bool keptFont = false;
};

// ---- fonts ----

// A font of glyph outlines only, drawn on an em square of 1024 units; text records address the
// glyphs by their index. FSFontInfo or FSFontInfo2 may add a name and codes.
class FSDefineFont : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineFont)

    explicit FSDefineFont(int identifier = 0, std::vector<FSShape> shapes = {})
        : FSDefineObject(10, identifier), shapes(std::move(shapes)) {}
    explicit FSDefineFont(FSInputStream& coder) : FSDefineObject(10, 0) { decode(coder); }

    std::vector<FSShape>& getShapes() { return shapes; }
    const std::vector<FSShape>& getShapes() const { return shapes; }
    void setShapes(std::vector<FSShape> value) { shapes = std::move(value); }
    void add(const FSShape& shape) { shapes.push_back(shape); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::vector<FSShape> shapes;
};

// A font with its name, style, a character code per glyph and, optionally, the layout metrics
// (ascent, descent, leading, advances and bounds per glyph, kerning) that text fields need.
class FSDefineFont2 : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineFont2)

    explicit FSDefineFont2(int identifier = 0, const std::string& name = "",
                           std::vector<FSShape> shapes = {}, std::vector<int> codes = {})
        : FSDefineObject(48, identifier),
          fontName(name),
          shapes(std::move(shapes)),
          codes(std::move(codes)) {}
    explicit FSDefineFont2(FSInputStream& coder) : FSDefineObject(48, 0) { decode(coder); }

    int getEncoding() const { return encoding; }
    bool isSmall() const { return small; }
    bool isItalic() const { return italic; }
    bool isBold() const { return bold; }
    int getLanguage() const { return language; }
    const std::string& getName() const { return fontName; }
    void setEncoding(int value) { encoding = value; }
    void setSmall(bool value) { small = value; }
    void setItalic(bool value) { italic = value; }
    void setBold(bool value) { bold = value; }
    void setLanguage(int value) { language = value; }
    void setName(const std::string& value) { fontName = value; }

    std::vector<FSShape>& getShapes() { return shapes; }
    const std::vector<FSShape>& getShapes() const { return shapes; }
    std::vector<int>& getCodes() { return codes; }
    const std::vector<int>& getCodes() const { return codes; }
    void setShapes(std::vector<FSShape> value) { shapes = std::move(value); }
    void setCodes(std::vector<int> value) { codes = std::move(value); }
    // Appends a glyph with its character code.
    void add(const FSShape& shape, int code) {
        shapes.push_back(shape);
        codes.push_back(code);
    }

    int getAscent() const { return ascent; }
    int getDescent() const { return descent; }
    int getLeading() const { return leading; }
    std::vector<int>& getAdvances() { return advances; }
    const std::vector<int>& getAdvances() const { return advances; }
    std::vector<FSBounds>& getBounds() { return bounds; }
    const std::vector<FSBounds>& getBounds() const { return bounds; }
    std::vector<FSKerning>& getKernings() { return kernings; }
    const std::vector<FSKerning>& getKernings() const { return kernings; }
    void setAscent(int value) { ascent = value; }
    void setDescent(int value) { descent = value; }
    void setLeading(int value) { leading = value; }
    void setAdvances(std::vector<int> value) { advances = std::move(value); }
    void setBounds(std::vector<FSBounds> value) { bounds = std::move(value); }
    void setKernings(std::vector<FSKerning> value) { kernings = std::move(value); }

    // With layout, advances and bounds hold one entry per glyph.
    bool containsLayout() const;
    // Whether codes (and kerning codes) take 16 bits in a movie of the given version.
    bool wideCodes(int version) const;
    // Whether the glyph table used 32-bit offsets when the tag was last sized or decoded.
    bool isWideOffsets() const { return wideOffsets; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    void checkCounts() const;
    int codeWidth(const FSCoder& coder) const;

    bool wideOffsets = false;
    int encoding = FSEncoding::Unicode;
    bool small = false;
    bool italic = false;
    bool bold = false;
    int language = 0;
    std::string fontName;
    std::vector<FSShape> shapes;
    std::vector<int> codes;
    int ascent = 0;
    int descent = 0;
    int leading = 0;
    std::vector<int> advances;
    std::vector<FSBounds> bounds;
    std::vector<FSKerning> kernings;

    // Choices of a decoded file: wide codes or offsets where narrow ones would do, a layout
    // of default values, and a glyph table of no glyphs written without its code offset.
    enum Kept { KeptNone = 0, KeptNarrowCodes = 1, KeptWideCodes = 2 };
    int keptCodes = KeptNone;
    bool keptWideOffsets = false;
    bool keptLayout = false;
    bool keptNoCodeOffset = false;
    FSFileCoding<std::vector<FSBounds>> boundsCoding;
    // Sizes cached by length for encode.
    int cachedCodeWidth = 1;
};

// The name, style and character codes of an FSDefineFont, one code per glyph.
class FSFontInfo : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSFontInfo)

    explicit FSFontInfo(int identifier = 0, const std::string& name = "",
                        std::vector<int> codes = {})
        : FSMovieObject(13), identifier(identifier), fontName(name), codes(std::move(codes)) {}
    explicit FSFontInfo(FSInputStream& coder) : FSMovieObject(13) { decode(coder); }

    int getIdentifier() const { return identifier; }
    const std::string& getName() const { return fontName; }
    int getEncoding() const { return encoding; }
    bool isSmall() const { return small; }
    bool isItalic() const { return italic; }
    bool isBold() const { return bold; }
    std::vector<int>& getCodes() { return codes; }
    const std::vector<int>& getCodes() const { return codes; }
    void setIdentifier(int value) { identifier = value; }
    void setName(const std::string& value) { fontName = value; }
    void setEncoding(int value) { encoding = value; }
    void setSmall(bool value) { small = value; }
    void setItalic(bool value) { italic = value; }
    void setBold(bool value) { bold = value; }
    void setCodes(std::vector<int> value) { codes = std::move(value); }
    void add(int code) { codes.push_back(code); }

    // Codes take 16 bits unless the encoding is ANSI (or the file said otherwise).
    bool wideCodes() const;

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    FSFontInfo(int type, int identifier, const std::string& name, std::vector<int> codes,
               int language)
        : FSMovieObject(type),
          identifier(identifier),
          fontName(name),
          language(language),
          codes(std::move(codes)) {}
    bool hasLanguage() const { return type == 62; }

    int identifier = 0;
    std::string fontName;
    int encoding = FSEncoding::Unicode;
    bool small = false;
    bool italic = false;
    bool bold = false;
    int language = 0;
    std::vector<int> codes;
    // The wide-codes flag of a decoded file, when it differs from what the encoding implies.
    int keptCodes = 0;
};

// FSFontInfo with the spoken language of the font's texts.
class FSFontInfo2 : public FSFontInfo {
  public:
    TRANSFORM_OBJECT(FSFontInfo2)

    explicit FSFontInfo2(int identifier = 0, const std::string& name = "",
                         std::vector<int> codes = {}, int language = 0)
        : FSFontInfo(62, identifier, name, std::move(codes), language) {}
    explicit FSFontInfo2(FSInputStream& coder) : FSFontInfo(62, 0, "", {}, 0) { decode(coder); }

    int getLanguage() const { return language; }
    void setLanguage(int value) { language = value; }
};

// ---- text ----

// What the two static text tags share; FSDefineText2's colours carry alpha.
class FSTextDefinition : public FSDefineObject {
  public:
    const FSBounds& getBounds() const { return bounds; }
    const FSCoordTransform& getTransform() const { return transform; }
    std::vector<FSText>& getObjects() { return objects; }
    const std::vector<FSText>& getObjects() const { return objects; }
    void setBounds(const FSBounds& value) { bounds = value; }
    void setTransform(const FSCoordTransform& value) { transform = value; }
    void setObjects(std::vector<FSText> value) { objects = std::move(value); }
    void add(const FSText& text) { objects.push_back(text); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    FSTextDefinition(int type, int identifier, const FSBounds& bounds,
                     const FSCoordTransform& transform, std::vector<FSText> objects)
        : FSDefineObject(type, identifier),
          bounds(bounds),
          transform(transform),
          objects(std::move(objects)) {}

  private:
    bool transparentColors() const { return type == 33; }

    FSBounds bounds;
    FSCoordTransform transform;
    std::vector<FSText> objects;
    // Glyph field widths of a decoded file, kept when wider than the records need, and the 16
    // zero bytes some old files carry in front of the matrix.
    int keptGlyphSize = 0;
    int keptAdvanceSize = 0;
    bool keptPadding = false;
    FSFileCoding<FSBounds> boundsCoding;
    FSFileCoding<FSCoordTransform> transformCoding;
    // Sizes cached by length for encode.
    int glyphBits = 0;
    int advanceBits = 0;
};

class FSDefineText : public FSTextDefinition {
  public:
    TRANSFORM_OBJECT(FSDefineText)

    explicit FSDefineText(int identifier = 0, const FSBounds& bounds = FSBounds(),
                          const FSCoordTransform& transform = FSCoordTransform(),
                          std::vector<FSText> objects = {})
        : FSTextDefinition(11, identifier, bounds, transform, std::move(objects)) {}
    explicit FSDefineText(FSInputStream& coder)
        : FSTextDefinition(11, 0, FSBounds(), FSCoordTransform(), {}) {
        decode(coder);
    }
};

class FSDefineText2 : public FSTextDefinition {
  public:
    TRANSFORM_OBJECT(FSDefineText2)

    explicit FSDefineText2(int identifier = 0, const FSBounds& bounds = FSBounds(),
                           const FSCoordTransform& transform = FSCoordTransform(),
                           std::vector<FSText> objects = {})
        : FSTextDefinition(33, identifier, bounds, transform, std::move(objects)) {}
    explicit FSDefineText2(FSInputStream& coder)
        : FSTextDefinition(33, 0, FSBounds(), FSCoordTransform(), {}) {
        decode(coder);
    }
};

// An editable or dynamic text field. Optional parts are written when they hold something: the
// font when both its identifier and height are set, the maximum length when above 0, the layout
// when any of its values is not 0, the initial text when not empty; the colour whenever it is
// set (the default, black with alpha 0, is). Movies of version 6 and later may name the font by
// its class instead, size the field to its text, and mark it as converted from static text.
class FSDefineTextField : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineTextField)

    explicit FSDefineTextField(int identifier = 0, const FSBounds& bounds = FSBounds())
        : FSDefineObject(37, identifier), bounds(bounds) {}
    explicit FSDefineTextField(FSInputStream& coder) : FSDefineObject(37, 0) { decode(coder); }

    const FSBounds& getBounds() const { return bounds; }
    void setBounds(const FSBounds& value) { bounds = value; }

    bool isWordWrapped() const { return wordWrapped; }
    bool isMultiline() const { return multiline; }
    bool isPassword() const { return password; }
    bool isReadOnly() const { return readOnly; }
    bool isNotSelectable() const { return notSelectable; }
    bool isBordered() const { return bordered; }
    bool isHtml() const { return html; }
    bool isUseFontGlyphs() const { return useFontGlyphs; }
    bool isAutoSize() const { return autoSize; }
    bool isWasStatic() const { return wasStatic; }
    void setWordWrapped(bool value) { wordWrapped = value; }
    void setMultiline(bool value) { multiline = value; }
    void setPassword(bool value) { password = value; }
    void setReadOnly(bool value) { readOnly = value; }
    void setNotSelectable(bool value) { notSelectable = value; }
    void setBordered(bool value) { bordered = value; }
    void setHtml(bool value) { html = value; }
    void setUseFontGlyphs(bool value) { useFontGlyphs = value; }
    void setAutoSize(bool value) { autoSize = value; }
    void setWasStatic(bool value) { wasStatic = value; }

    int getFontIdentifier() const { return fontIdentifier; }
    int getFontHeight() const { return fontHeight; }
    const std::string& getFontClass() const { return fontClass; }
    const FSColor& getColor() const { return color; }
    int getMaxLength() const { return maxLength; }
    void setFontIdentifier(int value) { fontIdentifier = value; }
    void setFontHeight(int value) { fontHeight = value; }
    void setFontClass(const std::string& value) { fontClass = value; }
    void setColor(const FSColor& value) { color = value; }
    void setMaxLength(int value) { maxLength = value; }

    int getAlignment() const { return alignment; }
    int getLeftMargin() const { return leftMargin; }
    int getRightMargin() const { return rightMargin; }
    int getIndent() const { return indent; }
    int getLeading() const { return leading; }
    void setAlignment(int value) { alignment = value; }
    void setLeftMargin(int value) { leftMargin = value; }
    void setRightMargin(int value) { rightMargin = value; }
    void setIndent(int value) { indent = value; }
    void setLeading(int value) { leading = value; }

    const std::string& getVariableName() const { return variableName; }
    const std::string& getInitialText() const { return initialText; }
    void setVariableName(const std::string& value) { variableName = value; }
    void setInitialText(const std::string& value) { initialText = value; }

    bool containsFont() const { return (fontIdentifier != 0 && fontHeight != 0) || keptFont; }
    bool containsFontClass() const { return !fontClass.empty() || keptFontClass; }
    bool containsColor() const { return color.isSet(); }
    bool containsMaxLength() const { return maxLength > 0 || keptMaxLength; }
    bool containsLayout() const {
        return alignment != 0 || leftMargin != 0 || rightMargin != 0 || indent != 0 ||
               leading != 0 || keptLayout;
    }
    bool containsText() const { return !initialText.empty() || keptText; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    void checkFields() const;

    FSBounds bounds;
    bool wordWrapped = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = false;
    bool notSelectable = false;
    bool bordered = false;
    bool html = false;
    bool useFontGlyphs = false;
    bool autoSize = false;
    bool wasStatic = false;
    int fontIdentifier = 0;
    int fontHeight = 0;
    std::string fontClass;
    FSColor color{0, 0, 0, 0};
    int maxLength = 0;
    int alignment = 0;
    int leftMargin = 0;
    int rightMargin = 0;
    int indent = 0;
    int leading = 0;
    std::string variableName;
    std::string initialText;
    // Optional parts a decoded file carried with values that would otherwise leave them out.
    bool keptFont = false;
    bool keptFontClass = false;
    bool keptMaxLength = false;
    bool keptLayout = false;
    bool keptText = false;
    FSFileCoding<FSBounds> boundsCoding;
};

// Marks the glyph outlines of the movie's fonts as PostScript-style paths; header only.
class FSPathsArePostscript : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSPathsArePostscript)

    FSPathsArePostscript() : FSMovieObject(25) {}
    explicit FSPathsArePostscript(FSInputStream& coder) : FSMovieObject(25) { decode(coder); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

}  // namespace transform
