#pragma once

#include <stdexcept>
#include <string>

namespace veloria::store {

// The one failure type of the table engine. Its message is meant for the user's eyes: it names
// the file and the cause ("Texto_B.DB: locked by another program").
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace veloria::store
