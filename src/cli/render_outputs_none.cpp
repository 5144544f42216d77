// The batch tool built without Qt (the Windows build of the core): the
// drawn outputs are not there, and asking for one is a usage error.
#include "render_outputs.h"

bool pdf_output_built()
{
    return false;
}

bool document_output_built()
{
    return false;
}

bool chart_output_built()
{
    return false;
}

std::string render_outputs_problem(const tRenderOutputs& outputs)
{
    if (outputs.wanted())
        return std::string(outputs.pdf_path ? "--pdf" : outputs.odt_path ? "--odt" : "--chart-dir")
               + " is not available: this brenlow-report was built without the drawn outputs";
    return std::string();
}

std::string render_outputs_batch_problem(const tRenderOutputs&, long long)
{
    return std::string(); // the outputs themselves are refused first
}

std::unique_ptr<tCaseOutput> make_drawn_output(const tRenderOutputs& outputs, long long, const char*)
{
    // run() refuses the options first (render_outputs_problem).
    throw tOutputError(render_outputs_problem(outputs));
}
