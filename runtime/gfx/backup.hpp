// Texture backup: the pixels of every loaded sprite copied into one file in
// the temporary directory and recreated from it, for surviving the loss of
// the OpenGL context. File: records of id, width, height (little-endian
// int32) and width x height RGBA pixels, rows from the top, ascending ids.
#pragma once

#include <cstdint>
#include <string>

namespace zrv {

class OpenGLVireo;

// Command: 0 copies the textures into the file, any other value restores
// them from it (and removes the file).
void texture_backup(int32_t restore);

// Renderer operations.
void texture_backup(OpenGLVireo* r, int32_t restore);
// Removes the backup file (or a directory of its name). Used when the
// renderer is constructed and destroyed.
void backup_path_remove(const OpenGLVireo* r);
// "<temporary directory>/zrvtxs<token>.bin", the token fixed on first use
// from a random number and the renderer's address.
const std::string& backup_path(const OpenGLVireo* r);

}  // namespace zrv
