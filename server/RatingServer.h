#pragma once
// The rating service over HTTP (cpp-httplib): the consultation endpoint
// "/startexe3.php", the contribution form pages and a read-only page per
// program. Everything a client sends is checked before it reaches the
// store; a bad request gets a 4xx with a one-line reason and changes
// nothing.

#include "RatingStore.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

struct TServerLimits {
    std::size_t MaxBodyBytes = 4u * 1024 * 1024;
    int MaxRows = 20000;
    std::size_t MaxFieldBytes = 1024;
    std::size_t MaxCommentBytes = 4000;
};

// A request that the server refuses, with its status.
struct EBadRequest : std::runtime_error {
    EBadRequest(int status, const std::string& why) : std::runtime_error(why), Status(status) {}
    int Status;
};

// Decodes an "application/x-www-form-urlencoded" text strictly: "+" is a
// space, "%" must be followed by two hexadecimal digits. Raises EBadRequest
// (400) otherwise. Later fields of the same name replace earlier ones.
std::map<std::string, std::string> DecodeForm(const std::string& text, std::size_t maxFields);

// The consultation's rows, by index: t[i] and e[i].
struct TRequestRow {
    std::string Title;
    std::string File;
};
std::map<int, TRequestRow> RequestRows(const std::string& body, const TServerLimits& limits);

// The XML answer: one item per known row, in row order.
std::string AnswerXml(TRatingStore& store, const std::map<int, TRequestRow>& rows);

// Installs the routes and the one-line log on the server.
void InstallRatingService(httplib::Server& server, TRatingStore& store, const TServerLimits& limits,
                          std::function<void(const std::string&)> log);
