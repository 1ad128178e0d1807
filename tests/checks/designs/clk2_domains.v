// CLK-2: two clock domains, and both edges of one clock.
module clk2_domains(input clk_a, input clk_b, input rst_n, input [1:0] d, output reg [1:0] qa,
                    output reg qb, output reg qn);
  always @(posedge clk_a or negedge rst_n)
    if (!rst_n) qa <= 2'd0;
    else qa <= d;
  always @(posedge clk_b or negedge rst_n)
    if (!rst_n) qb <= 1'b0;
    else qb <= qa[0];
  always @(negedge clk_a or negedge rst_n)
    if (!rst_n) qn <= 1'b0;
    else qn <= qa[1];
endmodule
