#pragma once
// The new-watch panel's own words: the field, the buttons and the labels
// that are not built from a watch (those come from Copy).

#include <QString>

namespace kestrove::PanelText {

inline const QString fieldPlaceholder = QStringLiteral("Bark when…");
inline const QString fieldName = QStringLiteral("Bark when");
inline const QString cancel = QStringLiteral("Cancel");
inline const QString startWatching = QStringLiteral("Start watching");
inline const QString once = QStringLiteral("Once");
inline const QString everyTime = QStringLiteral("Every time");
inline const QString howOften = QStringLiteral("How often to bark");
inline const QString rightNowIRead = QStringLiteral("Right now I read");
inline const QString barkWhenItChanges = QStringLiteral("Bark when it changes");
inline const QString watchAnyway = QStringLiteral("Watch anyway");
inline const QString barkWhenGone = QStringLiteral("Bark when it's gone");
inline const QString barkOnAnyChange = QStringLiteral("Bark on any change");
inline const QString askTheModel = QStringLiteral("Ask the model");
inline const QString tryAgain = QStringLiteral("Try again");
inline const QString watchedArea = QStringLiteral("The watched area");

// "Use this sentence (Ctrl+1)"
inline QString useSentence(int index) { return QStringLiteral("Use this sentence (Ctrl+%1)").arg(index); }

}  // namespace kestrove::PanelText
