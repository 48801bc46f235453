// node read_with_mdb_reader.mjs DATABASE
//
// Prints, as one JSON document, what the npm package mdb-reader (an Access
// reader independent of libmdb) sees in the database: the names of its
// tables by kind, the columns of every local table (with their AutoNumber
// flags, and a decimal's precision and scale), the catalog rows of
// MSysObjects and the rows of MSysRelationships. tst_testdb compares this
// with the description the file was written from. Times are the stored
// values as wall-clock text, to the millisecond.

import MDBReader from "mdb-reader";
import { readFileSync } from "node:fs";

const file = process.argv[2];
if (!file) {
    process.stderr.write("usage: node read_with_mdb_reader.mjs DATABASE\n");
    process.exit(2);
}

const time = (value) => (value instanceof Date ? value.toISOString().replace("T", " ").replace("Z", "") : null);

const reader = new MDBReader(readFileSync(file));
const names = (normalTables, systemTables, linkedTables) =>
    reader.getTableNames({ normalTables, systemTables, linkedTables });

const tables = {};
for (const name of names(true, true, false)) {
    tables[name] = reader.getTable(name).getColumns().map((c) => ({
        name: c.name,
        type: c.type,
        size: c.size,
        fixedLength: c.fixedLength,
        autoLong: c.autoLong,
        autoUUID: c.autoUUID,
        ...(c.type === "numeric" ? { precision: c.precision, scale: c.scale } : {}),
    }));
}

const objects = reader.getTable("MSysObjects").getData({
    columns: ["Name", "Type", "Flags", "DateCreate", "DateUpdate", "Database", "ForeignName"],
}).map((row) => ({
    name: row.Name,
    type: row.Type,
    flags: row.Flags,
    created: time(row.DateCreate),
    modified: time(row.DateUpdate),
    database: row.Database,
    foreignName: row.ForeignName,
}));

const relationships = reader.getTable("MSysRelationships").getData().map((row) => ({
    name: row.szRelationship,
    table: row.szObject,
    column: row.szColumn,
    referencedTable: row.szReferencedObject,
    referencedColumn: row.szReferencedColumn,
    icolumn: row.icolumn,
    ccolumn: row.ccolumn,
    grbit: row.grbit,
}));

process.stdout.write(JSON.stringify({
    normalTables: names(true, false, false),
    systemTables: names(false, true, false),
    linkedTables: names(false, false, true),
    tables,
    objects,
    relationships,
}) + "\n");
