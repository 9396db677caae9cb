// Our presentation host over Office Open XML packages: the entry points that create host objects.
// The engine receives a host::Application and never includes anything else from host/pptx.
#pragma once

#include <memory>
#include <string>

#include "host/host.h"
#include "host/pptx/model.h"

namespace quillet::pptx {

// An application with no presentation open.
std::shared_ptr<host::Application> createApplication();

// An application whose active presentation is the file at path. Throws PackageError with a clear
// message when the file cannot be read as a presentation.
std::shared_ptr<host::Application> openApplication(const std::string& path);

// An application whose active presentation is an already read model (for tests and in-memory
// packages); fullName is what the presentation reports as its file.
std::shared_ptr<host::Application> applicationFor(std::shared_ptr<PresentationData> data,
                                                  const std::string& fullName);

// The resolved model behind a presentation of this host (null for presentations of other hosts),
// for the inspect command and the later layout and rendering.
std::shared_ptr<PresentationData> modelOf(const host::Presentation& presentation);

}  // namespace quillet::pptx
