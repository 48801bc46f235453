#pragma once

#include "common/Failure.h"
#include "generator/Services.h"
#include "typenames/mdlXmlConv.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class Catalog;
class Connection;
class Table;
namespace spreadsheet {
class Workbook;
class Worksheet;
class RangeBorder;
} // namespace spreadsheet

// The generator: from a connection string and an ordered list of table
// names, Make writes a workbook with one sheet per table, each with the
// table's title block and its field list. The workbook is left to the user
// (handed over by the spreadsheet layer), also when Make fails half way.
class clsOutputTableDesign {
public:
    // The database is read through the services' readers, and the workbook
    // handed to their presenter.
    explicit clsOutputTableDesign(Services services);
    virtual ~clsOutputTableDesign();
    clsOutputTableDesign(const clsOutputTableDesign &) = delete;
    clsOutputTableDesign &operator=(const clsOutputTableDesign &) = delete;

    // The members the output command uses are virtual, so that a test can
    // watch what the command hands over.
    virtual void setConnectionString(const QString &connectionString) {
        connectionString_ = connectionString;
    }
    QString ConnectionString() const { return connectionString_; }
    // The number of names in the list, as decimal text.
    QString TableCount() const;
    // The error number as decimal text; nothing ever changes it from 0.
    QString Error() const;
    // Appends a name; a name added twice stays twice.
    virtual void AddTable(const QString &tableName);
    void ClearTables();
    // Writes the workbook. Throws Failure with the failing component's
    // message and kind (for a database that does not open, the open's kind
    // and reason); what was written before stays in the workbook.
    virtual void Make();

    // Where the data type name file DataTypeEnum.xml is looked for: the
    // program's own folder, unless a test points elsewhere.
    void setApplicationPath(const QString &directory) { applicationPath_ = directory; }

    // Whether each field's description goes into the last column of its row
    // (wrapped within the column's width); off unless asked for.
    virtual void setWriteDescriptions(bool write) { writeDescriptions_ = write; }
    bool WriteDescriptions() const { return writeDescriptions_; }

    // Whether the workbook is the detailed one: a contents sheet first, and
    // on each table's sheet, beside and below the field list, the fields'
    // properties, the table's indexes and its relationships. It writes the
    // field descriptions whatever setWriteDescriptions says. Off unless
    // asked for; off, the workbook is the one the program has always
    // written.
    virtual void setWriteDetails(bool write) { writeDetails_ = write; }
    bool WriteDetails() const { return writeDetails_; }

private:
    friend class TestOutputTableDesign;

    // The detailed workbook: the contents on the first sheet, then the
    // tables' sheets with their details.
    void MakeDetailed(spreadsheet::Workbook &workbook, Catalog &catalog,
                      std::shared_ptr<spreadsheet::Worksheet> first);
    void OutputDetails(spreadsheet::Worksheet &sheet, const Table &table,
                       const QString &contentsName);
    void OutputFieldList(spreadsheet::Worksheet &sheet, const Table &table, qint16 startColumn,
                         qint16 startRow);
    void OutputTableTitle(spreadsheet::Worksheet &sheet, const Table &table, qint16 startColumn,
                          qint16 startRow);
    void SetBorder(const spreadsheet::RangeBorder &border, qint32 weight);
    std::shared_ptr<Connection> OpenConnection(const QString &connectionString,
                                               std::optional<Failure> *whyNot);

    Services services_;
    QString connectionString_;
    std::unique_ptr<std::vector<QString>> tableNames_;
    qint32 errorNumber_ = 0;
    QString applicationPath_;
    bool writeDescriptions_ = false;
    bool writeDetails_ = false;
    mdlXmlConv::Loader typeNameFile_; // loaded for every table
};
