#include "records/ConfigFile.h"
#include "base/Clock.h"
#include "records/XmlDocument.h"

#include <QFileInfo>

#include <cstdlib>

namespace kaspen {

QByteArray configDateTime(const QDateTime &t)
{
    return formatTime(t, "%m/%d/%Y %X");
}

namespace {

void buildDocument(XmlDocument &doc, const std::vector<ConfigRow> &rows, const QDateTime &savedAt)
{
    doc.AddProcessingInstruction("xml");
    doc.SetAttribute("version", "1.0");
    doc.SetAttribute("encoding", "ISO-8859-1");
    doc.AddElement("DATALOG_SETUP");
    doc.EnterElement();
    // Each insert lands before the element added last: the rows end up in
    // reverse order and "DateTime" first.
    for (const ConfigRow &r : rows) {
        doc.AddElement("Records", QByteArray(), XmlDocument::Insert | XmlDocument::SpaceBeforeSlash);
        if (r.checked) {
            doc.SetAttribute("No.", r.number);
            doc.SetAttribute("Command", r.text);
            doc.SetAttribute("COM", QByteArray::number(r.code));
        }
    }
    doc.AddElement("DateTime", QByteArray(), XmlDocument::Insert | XmlDocument::SpaceBeforeSlash);
    doc.SetAttribute("DateTime", configDateTime(savedAt));
    doc.LeaveElement();
}

} // namespace

QByteArray configFileText(const std::vector<ConfigRow> &rows, const QDateTime &savedAt)
{
    XmlDocument doc;
    buildDocument(doc, rows, savedAt);
    return doc.GetDoc();
}

bool writeConfigFile(const QString &path, const std::vector<ConfigRow> &rows, const QDateTime &savedAt, QString *error)
{
    XmlDocument doc;
    buildDocument(doc, rows, savedAt);
    if (doc.SaveFile(path))
        return true;
    if (error)
        *error = doc.StatusText();
    return false;
}

ConfigOpenResult readConfigFile(const QString &path)
{
    ConfigOpenResult result;
    XmlDocument doc;
    const bool loaded = doc.LoadFile(path);
    result.detail = doc.StatusText();
    if (!loaded) {
        const QFileInfo info(path);
        result.status = info.isFile() && info.isReadable() ? ConfigOpenResult::NotWellFormed : ConfigOpenResult::CannotRead;
        return result;
    }
    doc.ResetPos();
    if (!doc.FindElement() || doc.GetTagName() != "DATALOG_SETUP") {
        result.status = ConfigOpenResult::OtherRoot;
        return result;
    }
    result.status = ConfigOpenResult::Ok;
    doc.EnterElement();
    while (doc.FindElement("Records")) {
        ++result.recordCount;
        const QByteArray textName = doc.AttributeName(1);
        const QByteArray codeName = doc.AttributeName(2);
        const QByteArray text = textName.isEmpty() ? QByteArray() : doc.GetAttribute(textName);
        const QByteArray codeText = codeName.isEmpty() ? QByteArray() : doc.GetAttribute(codeName);
        // Decimal conversion as the C library does it: leading digits, 0 when none.
        const int code = int(std::strtol(codeText.constData(), nullptr, 10));
        result.entries.emplace_back(code, text);
    }
    doc.LeaveElement();
    return result;
}


} // namespace kaspen
