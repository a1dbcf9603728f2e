#pragma once
// The games' rules as the window's Games tab shows and edits them: one row a game, its columns
// the game's name, the process it is known by and the profile of each device kind. An edit that
// would make a rule unreadable (an empty name or process, a name another game has) is refused,
// so that every row can be written back to the rules file.

#include "games/gamerules.h"

#include <QAbstractTableModel>

class GameRulesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { NameColumn, MatchColumn, FirstKindColumn };

    using QAbstractTableModel::QAbstractTableModel;

    void setRules(const QList<GameRule>& rules);
    const QList<GameRule>& rules() const { return gameRules; }

    // Appends a rule for the game `name`, known by the process `match`, with no profiles; its
    // row, or -1 when the name is empty or taken or the process empty.
    int addRule(const QString& name, const QString& match);
    void removeRule(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // A rule was edited, added or removed: the rules file is to be written.
    void rulesEdited();

private:
    bool isNameFree(const QString& name, int exceptRow) const;

    QList<GameRule> gameRules;
};
