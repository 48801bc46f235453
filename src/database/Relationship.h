#pragma once

#include <QString>
#include <QStringList>

// A relationship between two tables, as the file's relationship table keeps
// it: the primary (referenced) table and its columns, the related
// (referencing) table and its columns, in the relationship's order, and its
// rules.
class Relationship {
public:
    enum class Join { Inner, Left, Right }; // the join Access's design view shows first

    struct Rules {
        bool oneToOne = false; // else one-to-many
        bool enforced = false; // referential integrity
        bool cascadeUpdates = false;
        bool cascadeDeletes = false;
        bool cascadeNull = false;
        Join join = Join::Inner;
    };

    Relationship(QString name, QString primaryTable, QStringList primaryColumns,
                 QString relatedTable, QStringList relatedColumns, Rules rules)
        : name_(std::move(name)), primaryTable_(std::move(primaryTable)),
          primaryColumns_(std::move(primaryColumns)), relatedTable_(std::move(relatedTable)),
          relatedColumns_(std::move(relatedColumns)), rules_(rules) {}

    const QString &Name() const { return name_; }
    const QString &PrimaryTable() const { return primaryTable_; }
    const QStringList &PrimaryColumns() const { return primaryColumns_; }
    const QString &RelatedTable() const { return relatedTable_; }
    const QStringList &RelatedColumns() const { return relatedColumns_; }
    bool OneToOne() const { return rules_.oneToOne; }
    bool Enforced() const { return rules_.enforced; }
    bool CascadeUpdates() const { return rules_.cascadeUpdates; }
    bool CascadeDeletes() const { return rules_.cascadeDeletes; }
    bool CascadeNull() const { return rules_.cascadeNull; }
    Join JoinType() const { return rules_.join; }

private:
    QString name_;
    QString primaryTable_;
    QStringList primaryColumns_;
    QString relatedTable_;
    QStringList relatedColumns_;
    Rules rules_;
};
