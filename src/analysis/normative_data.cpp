#include "analysis/normative_data.h"

#include "methods/psychometrics.h"

void SetUpNormativeData(tNormativeData& norms)
{
    norms = tNormativeData{};
    const int N = index_count;
    norms.N = N;

    fill_vector(N, 100.0L, norms.Means_vec);
    fill_vector(N, 15.0L, norms.SDs_vec);

    set_all_false(max_dim, norms.required_vec);
    set_all_true(N, norms.required_vec);

    // Diagonal and lower triangle; the upper triangle is their mirror.
    tMatrix& r = norms.corr_mat;
    r[1][1] = 1.0L;
    r[2][1] = 0.61L;
    r[2][2] = 1.0L;
    r[3][1] = 0.64L;
    r[3][2] = 0.62L;
    r[3][3] = 1.0L;
    r[4][1] = 0.45L;
    r[4][2] = 0.52L;
    r[4][3] = 0.51L;
    r[4][4] = 1.0L;
    copy_lower_to_upper(N, r);

    norms.rels_vec[1] = 0.96L;
    norms.rels_vec[2] = 0.95L;
    norms.rels_vec[3] = 0.94L;
    norms.rels_vec[4] = 0.90L;

    // The pairwise routines receive the whole capacity; required_vec
    // restricts them to the four used slots.
    get_SE_vector(N, norms.SDs_vec, norms.rels_vec, norms.SEMs_vec);
    get_SEM_Diffs_Mean(norms.SEMs_vec, N, norms.SEM_Diffs_Mean);
    get_SEMdiff_pairwise(max_dim, norms.SEMs_vec, norms.required_vec, norms.SEMdiff_Pairwise);
    get_SD_DevMean(N, norms.SDs_vec, norms.corr_mat, norms.SD_DevMean);
    get_SD_diff_pairwise(max_dim, norms.SDs_vec, norms.required_vec, norms.corr_mat,
                         norms.SDdiff_Pairwise);
}
