// quillmere-reader DATABASE
//
// Reads the catalog of an Access file for the program, in a process of its
// own: libmdb crashes or loops on some damaged files, and then only this
// process ends. The program kills it when it takes too long.
//
// Answers go to standard output, one JSON document per line:
//   at start   {"tables":[{"id":…,"name":…,"type":"TABLE","created":…,"modified":…},…]}
//   per request line "ID" on standard input:
//              {"columns":[{"name":…,"type":202,"definedSize":50,"description":…},…],"keys":[{"name":…,"columns":[…]},…],
//               "recordCount":…,"properties":[…],"indexes":[…],"relationships":[…]}
//   on failure {"error":"…","kind":"Damaged"}, the kind one of FailureKind's
//              names
// A column's "description" is there only when it has one. A column, and the
// table, have "properties" ([{"name":…,"value":…,"ddl":true},…], a value a
// text, boolean or number) when the property list gives them any; a column
// has "autoNumber" ("increment", "replicationId"), "hyperlink" (true),
// "complex" ("attachment", "multiValued", "other"), "precision" and "scale"
// only when they apply. An index is {"name","columns":[{"name","descending"}],
// "primary","unique","ignoreNulls","required","foreignKey"}, a relationship
// {"name","primaryTable","primaryColumns","relatedTable","relatedColumns",
// "oneToOne","enforced","cascadeUpdates","cascadeDeletes","cascadeNull","join"};
// "indexes" is left out when that part of the definition is damaged. Dates are OLE
// automation dates (days since 1899-12-30). The reader ends
// when its standard input closes. It only ever reads the file, and every
// read goes to the one file it opened first, even when the name is given
// to another file meanwhile: the header checked is the catalog's header.

#include "reader/FileHeader.h"
#include "reader/JsonWriter.h"
#include "reader/ReaderFailure.h"
#include "reader/SystemCatalog.h"
#include "reader/TableDesign.h"

#include "common/ErrorText.h"
#include "reader/Mdb.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <iostream>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A damaged file can send libmdb into a loop or into allocating without end;
// these bounds make that a failed open instead of a burden on the machine.
constexpr rlim_t AddressSpaceLimit = rlim_t{2} << 30; // 2 GiB
constexpr rlim_t CpuSecondsLimit = 120;

void LimitResources() {
    const rlimit memory{AddressSpaceLimit, AddressSpaceLimit};
    setrlimit(RLIMIT_AS, &memory);
    const rlimit cpu{CpuSecondsLimit, CpuSecondsLimit + 5};
    setrlimit(RLIMIT_CPU, &cpu);
    // The reader has no purpose once the program is gone. The program sets
    // this before the reader starts, too; here it covers a reader started
    // by hand from a shell.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

FILE *answers = nullptr;

void Answer(const JsonWriter &json) {
    std::fputs(json.text().c_str(), answers);
    std::fputc('\n', answers);
    std::fflush(answers);
}

int Fail(const ReaderFailure &why) {
    JsonWriter json;
    json.beginObject().key("error").value(why.text);
    json.key("kind").value(FailureKindName(why.kind)).endObject();
    Answer(json);
    return 1;
}

// libmdb decodes Jet 3 names with the code page named in this variable; take
// the one the file's header declares, where iconv knows it.
void ChooseJet3CodePage(uint16_t codePage) {
    if (codePage == 0)
        return;
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t probe = iconv_open("UTF-8", name.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1))
        return;
    iconv_close(probe);
    setenv("MDB_JET3_CHARSET", name.c_str(), 1);
}

// libmdb decodes Jet 4 and later text as UCS-2, which has no characters
// outside the Basic Multilingual Plane: each half of a surrogate pair came out
// as "?". The files store UTF-16, so decode them as that.
bool DecodeTextAsUtf16(MdbHandle *mdb) {
    if (mdb->f->jet_version == MDB_VER_JET3)
        return true;
    iconv_t utf16 = iconv_open("UTF-8", "UTF-16LE");
    if (utf16 == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(mdb->iconv_in);
    mdb->iconv_in = utf16;
    return true;
}

void WriteCatalog(const std::vector<CatalogObject> &objects, JsonWriter &json) {
    json.beginObject().key("tables").beginArray();
    for (const auto &o : objects) {
        json.beginObject();
        json.key("id").value(o.id);
        json.key("name").value(o.name);
        json.key("type").value(std::string_view(CatalogTypeText(o)));
        json.key("created").value(o.created);
        json.key("modified").value(o.modified);
        json.endObject();
    }
    json.endArray().endObject();
}

} // namespace

int main(int argc, char **argv) {
    LimitResources();
    // Answers get a descriptor of their own; whatever the library prints goes
    // to standard error and cannot garble them.
    answers = fdopen(dup(STDOUT_FILENO), "w");
    if (!answers || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 2;
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmere-reader DATABASE\n");
        return 2;
    }
    // Not blocking: a FIFO given as the database must not hold the reader.
    const int file = open(argv[1], O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0)
        return Fail({FailureKind::CannotOpen, "ファイルを開けません: " + JapaneseErrorText(errno)});
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode))
        return Fail({FailureKind::CannotOpen, "通常のファイルではありません"});

    FileHeader header;
    if (const auto failure = ReadFileHeader(file, header))
        return Fail(*failure);
    if (header.hasPassword)
        return Fail({FailureKind::Protected, "パスワードで保護されています"});
    if (header.isEncoded)
        return Fail({FailureKind::Protected, "暗号化されています"});
    if (header.jetVersion == 0)
        ChooseJet3CodePage(header.codePage);

    // libmdb opens by name; this name is the file already open, whatever the
    // path names by now.
    const std::string sameFile = "/proc/self/fd/" + std::to_string(file);
    MdbHandle *mdb = mdb_open(sameFile.c_str(), MDB_NOFLAGS);
    if (!mdb)
        return Fail({FailureKind::Damaged, "データベースとして読み取れません"});
    if (!DecodeTextAsUtf16(mdb))
        return Fail({FailureKind::Internal, "UTF-16 の文字コード変換を使用できません"});
    std::vector<CatalogObject> objects;
    if (const auto failure = ReadCatalogObjects(mdb, objects))
        return Fail(*failure);
    if (const auto failure = CheckDefinitionPages(mdb, objects))
        return Fail(*failure);
    {
        JsonWriter json;
        WriteCatalog(objects, json);
        Answer(json);
    }

    std::optional<std::vector<RelationshipColumn>> relationships;
    std::optional<std::unordered_map<int64_t, std::string>> propertyFields;
    std::optional<std::vector<ComplexColumn>> complexColumns;
    std::string request;
    while (std::getline(std::cin, request)) {
        char *end = nullptr;
        const long long id = std::strtoll(request.c_str(), &end, 10);
        const CatalogObject *table = nullptr;
        for (const auto &o : objects)
            if (o.id == id && o.type == ObjectType::LocalTable)
                table = &o;
        if (end == request.c_str() || *end != '\0' || !table) {
            // The program asks only for the tables of the catalog it was given.
            Fail({FailureKind::Internal, "そのテーブルはありません"});
            continue;
        }
        if (!relationships) {
            std::vector<RelationshipColumn> read;
            if (const auto failure = ReadRelationships(mdb, objects, read)) {
                Fail(*failure);
                continue;
            }
            relationships = std::move(read);
        }
        if (!propertyFields)
            propertyFields = ReadPropertyFields(mdb);
        const auto field = propertyFields->find(table->id);
        JsonWriter json;
        if (const auto failure = WriteTableDesign(
                mdb, *table, objects, *relationships,
                field == propertyFields->end() ? nullptr : &field->second, complexColumns, json))
            Fail(*failure);
        else
            Answer(json);
    }
    mdb_close(mdb);
    close(file);
    return 0;
}
