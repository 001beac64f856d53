#pragma once

#include <QString>

namespace lng::bench {

// A 9,999-message database with every text field filled with realistic texts, made once per
// folder. Answers its path.
QString generatedDatabase(const QString &folder);
// A realistic text for message `number` in the language of `field`.
QString sampleText(int number, int field);

} // namespace lng::bench
