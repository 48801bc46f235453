#pragma once

#include "testdb/JetFormat.h"

#include <QList>

// The page kinds of a database file other than table definitions: the
// header page, data pages, usage maps and index pages. Each writer fills a
// page within the file image, a byte array of whole pages.

// Page 0: format, code page, creation date and an empty password, with the
// region Access masks masked.
void WriteHeaderPage(const JetFormat &format, double createdSerial, char *page);

// Data pages: records stored from the end of the page backwards, their
// offsets after the header.
QList<QList<QByteArray>> PackRecords(const JetFormat &format, const QList<QByteArray> &records);
// The largest record a data page holds.
int MaxRecordSize(const JetFormat &format);
// The owner of long-value pages, in place of a table definition's page.
constexpr quint32 LongValueOwner = 'L' | 'V' << 8 | 'A' << 16 | quint32('L') << 24;
void WriteDataPage(const JetFormat &format, quint32 owner, const QList<QByteArray> &records,
                   char *page);

// A usage map: the set of pages an object owns (or, for a free-space map,
// those with room left). Within its row it covers mapBitmapBytes * 8 pages;
// a larger range needs usage map pages (type 0x05), as many as this says.
int UsageMapPagesNeeded(const JetFormat &format, const QList<quint32> &pages);
// The map's row; writes its usage map pages, numbered mapPages, when it has any.
QByteArray UsageMapRow(const JetFormat &format, const QList<quint32> &pages,
                       const QList<quint32> &mapPages, QByteArray &image);

// Page 1: the map of free pages of the whole file.
void WriteGlobalMapPage(const JetFormat &format, quint32 pageCount, char *page);

// An index page without entries (a leaf: type 0x04) of the table at tdefPage.
void WriteEmptyIndexPage(const JetFormat &format, quint32 tdefPage, char *page);
