module generate_m #(parameter N = 4) (input clk, input [N-1:0] d, output [N-1:0] q);
  genvar i;
  generate for (i = 0; i < N; i = i + 1) begin : bit_reg
    reg r; always @(posedge clk) r <= d[i]; assign q[i] = r;
  end endgenerate
endmodule
