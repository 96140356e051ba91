// Writes the seed corpora under tests/fuzz/corpus/ from the simulator's real
// answers (both models), its SMS parts, the default configuration files and
// a few phone books. Run again when the logger's records change:
//
//   g++ -std=c++20 -Isrc -I. -DKASPEN_SOURCE_DIR=\"$PWD\" $(pkg-config --cflags Qt6Core) tests/fuzz/make_seeds.cpp \
//       build/lib/libkaspen_simlib.a $(pkg-config --libs Qt6Core Qt6Network Qt6SerialPort) -o build/make_seeds
//   build/make_seeds tests/fuzz/corpus
//
// (The seeds only start the fuzzers off; what they find is kept beside them.)

#include "sim/GsmModem.h"
#include "sim/Logger.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace kaspen::sim;

namespace {

QString g_root;

void seed(const char *target, const QByteArray &bytes)
{
    const QString dir = g_root + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    const QByteArray name = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
    QFile f(dir + QLatin1Char('/') + QString::fromLatin1(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Indexes into the targets' tables (see fuzz_reply_intake.cpp, fuzz_page_decoders.cpp).
enum IntakeCode : char {
    ConnectStatus = 0, Version = 1, Block1 = 2, Block2 = 3, Block3 = 4, Status = 5, Reset = 6, StationId = 7,
    Passwords = 9, Batch = 10, DataRecords = 11, Calibration = 12, Block4 = 14, Generic = 17
};
enum PageMessageIndex : char { M1 = 0, M2 = 1, M3 = 2, MVer = 3, MStatus = 4, MFirst = 5, MData = 6, MCal = 7, M4 = 8, MAlarm = 9 };

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS_DIR\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    const QDateTime now(QDate(2026, 3, 5), QTime(14, 7, 30));
    for (Model model : {Model::A, Model::B}) {
        Logger logger(LoggerState::defaults(model, now));
        logger.setClock([now] { return now; });
        const char modelFlag = model == Model::B ? 1 : 0;
        struct Ask {
            QByteArray command;
            char code;
            char page; // -1: no page message
        } const asks[] = {
            {"111111#STATUS#", ConnectStatus, MFirst}, {"111111#STATUS#", Status, MStatus},
            {"111111#CHEACK1#", Block1, M1},           {"111111#CHEACK2#", Block2, M2},
            {"111111#CHEACK3#", Block3, M3},           {"111111#CHEACK4#", Block4, M4},
            {"111111#CHECKVR", Version, MVer},         {"111111#SMS:01#", Generic, MAlarm},
            {"111111#SMS:07#", Generic, MAlarm},       {"111111#REDEEM260305000003#", DataRecords, MData},
            {"222222#ST:000007#", StationId, -1},      {"222222#PS:333333,444444#", Passwords, -1},
            {"222222#SA:3#", Batch, -1},               {"222222#SA:9#", Batch, -1},
            {"222222#RESET#", Reset, -1},              {"999999#STATUS#", ConnectStatus, -1},
            {"222222#XX:1#", Generic, -1},             {"222222#AD01:1,2,3,4,5,6#", Calibration, MCal},
        };
        for (const Ask &a : asks) {
            const QByteArray reply = logger.answer(a.command);
            for (char link : {0, 2}) {
                QByteArray input{1, a.code};
                input += char(modelFlag | link | (a.code == Status ? 4 : 0) | (a.code == DataRecords ? 8 : 0));
                input += a.command + '\0';
                if (link) {
                    // As the GSM modem link delivers it: the echo, then the parts.
                    input += modem::SendAccepted;
                    for (const QByteArray &part : smsParts(reply))
                        input += '\0' + part;
                } else {
                    input += reply;
                }
                seed("fuzz_reply_intake", input);
            }
            const QList<QByteArray> parts = smsParts(reply);
            if (parts.size() > 1)
                seed("fuzz_gsm_reassembly", parts.join('\0'));
            if (a.page >= 0)
                seed("fuzz_page_decoders", QByteArray(1, a.page) + char(modelFlag | (4 << 1)) + reply);
        }
    }
    // Configuration files: the default files and small hand-made ones.
    const QString source = QStringLiteral(KASPEN_SOURCE_DIR);
    seed("fuzz_config_file", readFile(source + QStringLiteral("/resources/ORVEL-A.cfg")));
    seed("fuzz_config_file", readFile(source + QStringLiteral("/resources/ORVEL-B.cfg")));
    seed("fuzz_config_file", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<DATALOG_SETUP>\r\n"
                             "<DateTime DateTime=\"12/10/2024 10:44:55\" />\r\n"
                             "<Records No.=\"03\" Command=\"000000#SA:1#\" COM=\"11005\" />\r\n<Records />\r\n"
                             "<Records No.=\"01\" Command=\"000000#ST:000041#\" COM=\"11002\" />\r\n</DATALOG_SETUP>\r\n");
    // Phone books (first byte: 0 GSM, 1 Ethernet; bits 2 and 4 edit and delete).
    const QByteArray decl = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";
    seed("fuzz_phone_book", QByteArray(1, 0) + decl + "<HEALTHCHECK>\r\n<Records ID=\"000001\" Phone=\"0123456789\" "
                                                      "EnquiryPassword=\"111111\" SetupPassword=\"222222\" />\r\n</HEALTHCHECK>\r\n");
    seed("fuzz_phone_book", QByteArray(1, 6) + decl + "<HEALTHCHECK>\r\n<Records ID=\"000001\" Phone=\"1\" EnquiryPassword=\"1\" "
                                                      "SetupPassword=\"2\" />\r\n<Records ID=\"000002\" />\r\n</HEALTHCHECK>\r\n");
    seed("fuzz_phone_book", QByteArray(1, 3) + decl + "<HEALTHCHECK>\r\n<Records Connect_ID=\"000003\" Phone_Number=\"1\" "
                                                      "EnquiryPassword=\"111111\" SetupPassword=\"222222\" Device_IP=\"10.0.0.3\" "
                                                      "Device_MAC=\"AA-BB-CC-DD-EE-FF\" />\r\n</HEALTHCHECK>\r\n");
    seed("fuzz_phone_book", QByteArray(1, 0) + "<HEALTHCHECK>\r\n<Records ID=\"000001\" Phone=\"typed by hand\"\r\n");
    seed("fuzz_phone_book", QByteArray(1, 0) + decl + "<OTHER><Records ID='000001'/></OTHER>\n");
    return 0;
}
