#pragma once
// The XML document class under the phone book and the batch configuration
// files.
//
// The whole document is kept as one text together with an index of its
// elements. Edits splice the text in place and shift the offsets of every
// later element, so a document that is loaded and written back keeps every
// byte that was not changed. Parsing is lenient: the index covers whatever
// could be read, and the first problem met is recorded in the status text,
// which callers use for diagnostics only.
//
// Navigation works on a position made of the parent element, the current
// element and the current child:
//
//     XmlDocument doc;
//     if (doc.LoadFile(path) && doc.FindElement("HEALTHCHECK")) {
//         doc.EnterElement();
//         while (doc.FindElement("Records"))
//             qDebug() << doc.GetAttribute(doc.AttributeName(0));
//         doc.LeaveElement();
//     }
//
// Text is held in the local 8-bit code page of the process (UTF-8 on Linux).

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace kaspen {

class XmlDocument {
public:
    // Options of AddElement.
    enum AddFlag {
        NoFlags = 0,
        Insert = 1,           // before the current element instead of after it
        SpaceBeforeSlash = 2, // an empty element is written "<name />"
    };

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Reads and parses a file. True only when the file was read and is a
    // well-formed document. A file without declared encoding or declaring
    // UTF-8 is converted to the local code page; any other declared encoding
    // keeps the bytes as they are. A file starting with a UTF-16 byte-order
    // mark is read as UTF-16 and written back the same way.
    bool LoadFile(const QString &path);
    // Writes the document crash-safe (the old file stays whole until the new
    // one is complete). True when every byte was written.
    // A text with a control character other than tab, CR and LF is not
    // written (StatusText names the value).
    bool SaveFile(const QString &path);
    // Empty when text holds no such control character; else what to tell.
    static QString controlCharacterProblem(const QByteArray &text);

    // Parses a text that is already in the local code page (no conversion).
    bool SetDoc(const QByteArray &text);
    const QByteArray &GetDoc() const { return m_text; }

    // Result of the last load or save, then ", " and the first parse
    // problem if there was one; for example
    // "10 bytes, End tag 'a' at offset 7 does not match start tag 'b' at offset 3".
    const QString &StatusText() const { return m_status; }
    // The first parse problem alone (empty when there was none).
    const QString &ParseProblem() const { return m_problem; }
    bool IsWellFormed() const { return m_wellFormed; }

    // --- Position ----------------------------------------------------------
    // Moves to the next sibling element with this tag name (any name when
    // empty). A name also matches when the element's name is a prefix of it
    // followed by one of " =/[]".
    bool FindElement(const QByteArray &name = QByteArray());
    bool EnterElement();
    bool LeaveElement();
    // Back to the top level, before the root.
    void ResetPos();

    // Tag name of the current element (empty when there is none).
    QByteArray GetTagName() const;
    // Offset of the current element's "<" in the text, -1 without one.
    qsizetype ElementOffset() const;
    // Total length in bytes of the current element, -1 without one.
    qsizetype ElementLength() const;
    // True when the current element had no end tag and was closed implicitly.
    bool ElementNotEnded() const;

    // --- Attributes of the current element (or processing instruction) ----
    QByteArray AttributeName(int n) const;
    QByteArray GetAttribute(const QByteArray &name) const;
    bool SetAttribute(const QByteArray &name, const QByteArray &value);

    // --- Editing ------------------------------------------------------------
    bool AddElement(const QByteArray &name, const QByteArray &text = QByteArray(), int flags = NoFlags);
    bool AddProcessingInstruction(const QByteArray &target);
    bool RemoveElement();

    // --- Helpers --------------------------------------------------------------
    // "<", "&", ">" (and for attribute values "'" and '"') as entities.
    static QByteArray EscapeText(const QByteArray &text, bool attribute);
    // The five entities and character references resolved; anything else
    // after "&" is kept literally.
    static QByteArray UnescapeText(const QByteArray &text);
    // Conversions between UTF-8 and the local code page; a byte sequence or
    // character that cannot be converted becomes "?". Characters beyond
    // U+FFFF are kept whenever the local code page can hold them (it can
    // when it is UTF-8), so such a file round-trips unchanged.
    static QByteArray Utf8ToLocal(const QByteArray &utf8);
    static QByteArray LocalToUtf8(const QByteArray &local);
    // The "encoding" of the text's leading declaration (empty when none).
    static QByteArray DeclaredEncoding(const QByteArray &text);

private:
    struct Entry {
        qsizetype start = 0;       // offset of "<"
        qsizetype length = 0;      // whole element
        qsizetype startTagLen = 0; // "<name ...>" or "<name .../>"
        qsizetype endTagLen = 0;   // "</name>"; 0 for an empty element
        int parent = 0;
        int child = 0; // first child
        int next = 0;  // next sibling
        int prev = 0;  // previous sibling; the first child's points to the last child
        unsigned flags = 0;
    };
    enum EntryFlag : unsigned {
        FirstChild = 1,
        NotEnded = 2,
        IllData = 4,
        DocIllFormed = 8,
        FreeEntry = 16,
    };
    enum class NodeKind { None, ProcessingInstruction };
    struct NodePos {
        NodeKind kind = NodeKind::None;
        qsizetype offset = 0;
        qsizetype length = 0;
    };
    struct AttrSpan {
        qsizetype nameStart = 0, nameLen = 0;
        qsizetype valueStart = -1, valueLen = 0; // the value with its quotes
        qsizetype end = 0;                       // just after the attribute
    };
    enum class Utf16 { No, LittleEndian, BigEndian };

    bool parse();
    Entry &at(int i) { return m_segments[size_t(i) >> SegmentBits][i & (SegmentSize - 1)]; }
    const Entry &at(int i) const { return m_segments[size_t(i) >> SegmentBits][i & (SegmentSize - 1)]; }
    void clearIndex(qsizetype textLength);
    int allocEntry();
    void growIndex(int capacity);
    void appendChild(int parent, int e);
    void linkBefore(int parent, int e, int before);
    void unlink(int e);
    void freeSubtree(int e);
    void splice(qsizetype offset, qsizetype removeLen, const QByteArray &insert, int chainFrom);
    QByteArray nameAt(qsizetype tagStart) const;
    bool nameMatches(int e, const QByteArray &name) const;
    // Attribute region of the current element or instruction; false when there is neither.
    bool attributeRegion(qsizetype &from, qsizetype &end, int &owner) const;
    bool findAttribute(qsizetype from, qsizetype end, int n, const QByteArray *name, AttrSpan &span) const;
    qsizetype skipWhiteToTag(qsizetype offset) const;
    bool insertNode(const QByteArray &nodeText, int flags, bool isElement, qsizetype &nodeStart, int &before);

    static constexpr int SegmentBits = 16;
    static constexpr int SegmentSize = 1 << SegmentBits;

    QByteArray m_text;
    QString m_status;
    QString m_problem;
    bool m_wellFormed = false;
    Utf16 m_utf16 = Utf16::No;

    std::vector<std::unique_ptr<Entry[]>> m_segments;
    std::vector<int> m_segmentCapacity;
    int m_capacity = 0;
    int m_used = 0;
    std::vector<int> m_free;

    int m_parent = 0;  // 0: top level
    int m_current = 0; // 0: none
    int m_child = 0;   // 0: none
    NodePos m_node;
};

} // namespace kaspen
